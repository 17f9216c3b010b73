#include "tables/filter_table.h"

#include <mutex>
#include <optional>

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "platform/files.h"
#include "platform/log.h"
#include "state/works.h"
#include "tables/table_io.h"

namespace {

constexpr const char* kHeader =
    ";Fstart(hz)\tFstop         enabled   : 1= abilitata, l'ordine delle righe corrisponde al filtro di "
    "attivazione   j23 ultimo by pass (0 ,54000000)  verso esterno\n";

bool usable(const FilterEntry& e) { return (e.enabled & 0xff) == 1; }

}  // namespace

namespace {

// Start, stop and enabled, and nothing after them. A line that holds less, or
// more, keeps its filter's place but the filter stays off: a guess at what it
// meant could put the amplifier on the wrong low-pass filter.
std::optional<FilterEntry> parseEntry(const std::string& line) {
  tables::NumberReader in(line);
  FilterEntry e;
  e.start = static_cast<int32_t>(in.unsignedAny());
  e.stop = static_cast<int32_t>(in.unsignedAny());
  e.enabled = static_cast<int32_t>(in.decimal());
  if (!in.ok() || !in.atEnd()) return std::nullopt;
  return e;
}

}  // namespace

void ParseTabFiltri(Works* works, const std::string& text) {
  std::lock_guard lock(works->filterMutex);
  for (auto& e : works->filterTab) e = FilterEntry{};  // entries the file lacks: disabled, 0 to 0
  int n = 0;
  size_t number = 0;
  for (const auto& line : tables::splitTableLines(text, "filter.txt")) {
    ++number;
    if (n >= kFilterEntries) break;
    if (!line.empty() && line[0] == ';') continue;
    if (tables::blankLine(line)) continue;
    FilterEntry& e = works->filterTab[n];
    if (std::optional<FilterEntry> parsed = parseEntry(line)) {
      e = *parsed;
      platform::errPrintf("Filter %i %ld,%ld,%x\n", n, static_cast<long>(e.start), static_cast<long>(e.stop),
                          static_cast<unsigned>(e.enabled & 0xff));
    } else {
      platform::errPrintf("filter.txt line %zu does not read as start, stop, enabled: filter %i disabled\n", number,
                          n + 1);
    }
    ++n;
  }
}

void LoadTabFiltri(Works* works) {
  platform::FileRead file = tables::loadTableFile(kFilterPath, "filter.txt");
  if (!file.ok()) {
    std::lock_guard lock(works->filterMutex);
    for (auto& e : works->filterTab) e.enabled = 0;
    if (file.status == platform::FileRead::Status::Missing) platform::errPrintf("Filter File not FOUND!!\n");
    return;
  }
  ParseTabFiltri(works, file.bytes);
}

void SetFilterFromfreq(Works* works) {
  const int32_t f = static_cast<int32_t>(works->freq.load());
  int match = -1;
  {
    std::lock_guard lock(works->filterMutex);
    for (int i = 0; i < kFilterEntries && match < 0; ++i) {
      const FilterEntry& e = works->filterTab[i];
      if (usable(e) && e.start <= f && f <= e.stop) match = i;
    }
  }
  if (match < 0) return;  // the amplifier keeps the filter it has
  const uint8_t mask = static_cast<uint8_t>(1u << match);
  if (works->filterMask.exchange(mask) == mask) return;
  IncPNTIn_CMDLinear(kCmdSetFilter, works);
  platform::errPrintf(">>>>>>>>>>>>>>> SET FILTER: %i!!\n", match + 1);
}

void EnDisFilter(Works* works, int value) {
  int sel = works->filterSel;
  if (sel < 0 || sel >= kFilterEntries) return;
  {
    std::lock_guard lock(works->filterMutex);
    works->filterTab[sel].enabled = value;
  }
  SetFilterFromfreq(works);
  SaveTabFiltri(works);
}

std::string FormatTabFiltri(Works* works) {
  std::lock_guard lock(works->filterMutex);
  std::string out = kHeader;
  for (const auto& e : works->filterTab)
    out +=
        tables::format("%ld\t\t%ld\t\t%i \n", static_cast<long>(e.start), static_cast<long>(e.stop), e.enabled & 0xff);
  return out;
}

void SaveTabFiltri(Works* works) {
  platform::errPrintf("SaveTabFiltri \n");
  tables::saveTableFile(kFilterPath, FormatTabFiltri(works));
}
