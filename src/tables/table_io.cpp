#include "tables/table_io.h"

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/files.h"
#include "platform/log.h"
#include "state/outbox.h"

namespace tables {

namespace {

bool notText(unsigned char c) { return (c < 0x20 && c != '\t') || c == 0x7f; }

void pushLine(std::vector<std::string>& out, std::string line, const char* tag) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  size_t n = out.size() + 1;
  if (line.size() > kLineMax) {
    platform::errPrintf("%s: line %zu longer than %zu bytes, rest skipped\n", tag, n, kLineMax);
    line.resize(kLineMax);
  }
  bool damaged = false;
  for (char& c : line)
    if (notText(static_cast<unsigned char>(c))) c = ' ', damaged = true;
  if (damaged) platform::errPrintf("%s: line %zu holds bytes that are not text, read as blanks\n", tag, n);
  out.push_back(std::move(line));
}

}  // namespace

std::vector<std::string> splitTableLines(const std::string& text, const char* tag) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    pushLine(out, text.substr(start, end - start), tag);
    start = end + 1;
  }
  return out;
}

bool blankLine(const std::string& line) {
  return line.find_first_not_of(" \t\v\f") == std::string::npos;
}

bool NumberReader::atEnd() const {
  return line_.find_first_not_of(" \t\v\f\r\n", pos_) == std::string::npos;
}

NumberReader::NumberReader(const std::string& line, size_t from) : line_(line), pos_(std::min(from, line.size())) {}

uint32_t NumberReader::unsignedAny() {
  const char* begin = line_.c_str() + pos_;
  char* end = nullptr;
  unsigned long v = std::strtoul(begin, &end, 0);
  if (end == begin) ok_ = false;
  pos_ += static_cast<size_t>(end - begin);
  return static_cast<uint32_t>(v);
}

long NumberReader::decimal() {
  const char* begin = line_.c_str() + pos_;
  char* end = nullptr;
  long v = std::strtol(begin, &end, 10);
  if (end == begin) ok_ = false;
  pos_ += static_cast<size_t>(end - begin);
  return v;
}

unsigned long NumberReader::unsignedDecimal() {
  const char* begin = line_.c_str() + pos_;
  char* end = nullptr;
  unsigned long v = std::strtoul(begin, &end, 10);
  if (end == begin) ok_ = false;
  pos_ += static_cast<size_t>(end - begin);
  return v;
}

float NumberReader::real() {
  const char* begin = line_.c_str() + pos_;
  char* end = nullptr;
  double v = std::strtod(begin, &end);
  if (end == begin) ok_ = false;
  pos_ += static_cast<size_t>(end - begin);
  if (std::isnan(v)) return 0.0f;
  constexpr double kMax = 1e9;  // far beyond any power value, well inside float
  return static_cast<float>(std::fmax(-kMax, std::fmin(kMax, v)));
}

std::string format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(out.data(), out.size() + 1, fmt, args);
  va_end(args);
  return out;
}

void saveTableFile(const std::string& systemPath, std::string content) {
  FileOutbox().replace(systemPath, std::move(content));
}

platform::FileRead loadTableFile(const std::string& systemPath, const char* tag) {
  platform::FileRead r = FileOutbox().read(systemPath);
  if (r.status == platform::FileRead::Status::Failed) {
    platform::sysLog(platform::kErr, "can't read %s error %d", systemPath.c_str(), r.error);
    platform::errPrintf("%s: can't read %s (%s): defaults in memory, the file is kept\n", tag, systemPath.c_str(),
                        std::strerror(r.error));
    FileOutbox().refuseWrites(systemPath);
  } else {
    FileOutbox().allowWrites(systemPath);
  }
  return r;
}

std::string bandTablePath(int bank) {
  if (bank < 1 || bank > 19) return "/opt/set/antenna.txt";
  return format("/opt/set/antenna_b%d.txt", bank);
}

std::string tuneMemPath(int bank, int antenna) {
  if (bank < 1 || bank > 19) return format("/opt/set/atu_ant%d.txt", antenna + 1);
  return format("/opt/set/atu_ant%d_b%d.txt", antenna + 1, bank);
}

}  // namespace tables
