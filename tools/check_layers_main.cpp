// check-layers: keeps the source tree in its layers.
//
//   check-layers SRC_DIR
//
// The folders under SRC_DIR stand in layers, bottom up:
//   platform → state → display → amp, tables, tune, links, remote, jpeg → ui → app
// A file may include headers of its own layer and of the layers below it, never
// of a layer above. Only platform/ may include the operating system's own
// headers (unistd.h, fcntl.h, termios.h, sys/ioctl.h, sys/mman.h, linux/*), so
// the rest of the program cannot touch the board behind the platform's back.
// Nor may any other folder run shell commands or call the system directly
// (system, popen, fork, exec*, ::read, ::write, ::open, ::ioctl, ::mmap ...).
// Modules (a header and its source file) must not include each other in a
// circle. Prints every fault found and exits 1 when there is any.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::map<std::string, int> kLayer = {
    {"platform", 0}, {"state", 1},  {"display", 2}, {"amp", 3}, {"tables", 3}, {"tune", 3},
    {"links", 3},    {"remote", 3}, {"jpeg", 3},    {"ui", 4},  {"app", 5},
};

const std::vector<std::string> kOsHeaders = {"unistd.h", "fcntl.h", "termios.h", "sys/ioctl.h", "sys/mman.h"};

struct Include {
  int line;
  std::string path;
  bool quoted;
};

std::vector<Include> includesOf(const fs::path& file) {
  static const std::regex kInclude(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  std::vector<Include> out;
  std::ifstream in(file);
  std::string text;
  for (int n = 1; std::getline(in, text); ++n) {
    std::smatch m;
    if (std::regex_search(text, m, kInclude)) out.push_back({n, m[2].str(), m[1].str() == "\""});
  }
  return out;
}

bool isOsHeader(const std::string& path) {
  if (path.rfind("linux/", 0) == 0) return true;
  return std::find(kOsHeaders.begin(), kOsHeaders.end(), path) != kOsHeaders.end();
}

// A direct system call or shell command on a line of code, or "".
std::string systemCallIn(const std::string& line) {
  // Only the global ones: ButtonPanel::poll or InputDevice::open are the program's own.
  static const std::regex kCall(
      R"((^|[^\w:.>])(std::)?(system|popen|fork|execl|execlp|execv|execvp)\s*\(|(^|[^\w])::(read|write|open|close|ioctl|mmap|munmap|poll|select)\s*\()");
  const std::string code = line.substr(0, line.find("//"));
  std::smatch m;
  return std::regex_search(code, m, kCall) ? m.str() : "";
}

std::string folderOf(const std::string& relative) { return relative.substr(0, relative.find('/')); }

// "amp/linear.cpp" and "amp/linear.h" are one module, "amp/linear".
std::string moduleOf(const std::string& relative) { return fs::path(relative).replace_extension().string(); }

struct Checker {
  fs::path src;
  int faults = 0;
  std::map<std::string, std::set<std::string>> moduleEdges;

  void fault(const std::string& file, int line, const std::string& what) {
    std::printf("%s:%d: %s\n", file.c_str(), line, what.c_str());
    ++faults;
  }

  void checkCalls(const fs::path& file, const std::string& rel) {
    std::ifstream in(file);
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
      const std::string call = systemCallIn(line);
      if (!call.empty()) fault(rel, n, "calls the system directly (" + call + ") outside platform/");
    }
  }

  void checkFile(const fs::path& file) {
    const std::string rel = fs::relative(file, src).generic_string();
    const std::string folder = folderOf(rel);
    auto own = kLayer.find(folder);
    if (own == kLayer.end()) {
      fault(rel, 0, "folder '" + folder + "' has no layer");
      return;
    }
    if (folder != "platform") checkCalls(file, rel);
    for (const Include& inc : includesOf(file)) {
      if (!inc.quoted) {
        if (folder != "platform" && isOsHeader(inc.path))
          fault(rel, inc.line, "operating-system header <" + inc.path + "> outside platform/");
        continue;
      }
      auto theirs = kLayer.find(folderOf(inc.path));
      if (theirs == kLayer.end()) continue;
      if (theirs->second > own->second)
        fault(rel, inc.line,
              "includes \"" + inc.path + "\" from a higher layer (" + folder + " may not use " + theirs->first + ")");
      if (moduleOf(inc.path) != moduleOf(rel)) moduleEdges[moduleOf(rel)].insert(moduleOf(inc.path));
    }
  }

  // Depth-first search for circles among modules; each circle is reported once.
  void checkCircles() {
    std::map<std::string, int> state;  // 0 new, 1 on the path, 2 done
    std::vector<std::string> path;
    std::function<void(const std::string&)> visit = [&](const std::string& m) {
      state[m] = 1;
      path.push_back(m);
      for (const std::string& next : moduleEdges[m]) {
        if (state[next] == 1) {
          std::string circle;
          for (auto it = std::find(path.begin(), path.end(), next); it != path.end(); ++it) circle += *it + " → ";
          fault(next, 0, "include circle: " + circle + next);
        } else if (state[next] == 0) {
          visit(next);
        }
      }
      path.pop_back();
      state[m] = 2;
    };
    std::vector<std::string> modules;
    for (const auto& [m, edges] : moduleEdges) modules.push_back(m);
    for (const std::string& m : modules)
      if (state[m] == 0) visit(m);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || !fs::is_directory(argv[1])) {
    std::fprintf(stderr, "usage: check-layers SRC_DIR\n");
    return 2;
  }
  Checker c{fs::path(argv[1])};
  std::vector<fs::path> files;
  for (const auto& e : fs::recursive_directory_iterator(c.src)) {
    const auto ext = e.path().extension();
    if (e.is_regular_file() && (ext == ".h" || ext == ".cpp")) files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& f : files) c.checkFile(f);
  c.checkCircles();
  if (c.faults) {
    std::printf("%d layer fault(s)\n", c.faults);
    return 1;
  }
  std::printf("layers clean: %zu files\n", files.size());
  return 0;
}
