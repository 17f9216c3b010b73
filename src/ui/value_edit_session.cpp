#include "ui/value_edit_session.h"

#include <array>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "state/globals.h"
#include "state/setup_keys.h"
#include "state/works.h"
#include "ui/grid.h"
#include "ui/menu_rows.h"
#include "ui/network_settings.h"

namespace {

struct Addresses {
  std::array<std::array<uint8_t, 4>, 4> bytes;
  std::array<int, 4> cursors;
};

struct Snapshot {
  bool taken = false;
  std::vector<std::string> texts;  // per setup key, in table order
  int remoteStarted = 0;
  int refLevel = 0, refPos = 0, pointDiv = 0;
  bool choices[5] = {};
  Addresses lan{};
};

// Only the key thread opens, leaves and edits the page.
Snapshot gSnapshot;

uint8_t* const kLanBytes[4] = {IP_v, NetMask_v, Gateway_v, DNS_v};
std::atomic<int>* const kLanCursors[4] = {&CntIP, &CntNetMask, &CntGateway, &CntDNS};
std::atomic<bool>* const kChoices[5] = {&menuChoices.filterView, &menuChoices.factoryDefault, &menuChoices.fwUpdate,
                                        &menuChoices.uiUpdate, &menuChoices.remoteService};

std::string textOf(const SetupKey& k, SetupRecord& s) {
  if (k.kind == SetupKind::Flag) return std::string(1, k.flag(s).load());
  const std::span<char> t = k.text(s);
  return std::string(t.data(), strnlen(t.data(), t.size()));
}

void setText(const SetupKey& k, SetupRecord& s, const std::string& text) {
  if (k.kind == SetupKind::Flag) {
    k.flag(s) = text.empty() ? '0' : text[0];
    return;
  }
  const std::span<char> t = k.text(s);
  const size_t n = std::min(text.size(), t.size() - 1);
  std::memcpy(t.data(), text.data(), n);
  t[n] = '\0';
}

Addresses readAddresses() {
  Addresses a{};
  std::lock_guard lock(LAN_mutex);
  for (int i = 0; i < 4; ++i) {
    std::memcpy(a.bytes[i].data(), kLanBytes[i], 4);
    a.cursors[i] = kLanCursors[i]->load();
  }
  return a;
}

}  // namespace

void BeginValueEdit(Works* w) {
  Snapshot s;
  s.taken = true;
  // The texts are refreshed from the settings first, so the ones the page
  // changes are told apart from the ones it leaves alone.
  for (const SetupKey& k : setupKeys()) {
    if (k.toText) k.toText(*w, *w->setup);
    s.texts.push_back(textOf(k, *w->setup));
  }
  s.remoteStarted = w->remoteStarted;
  s.refLevel = RefLevel, s.refPos = RefPos, s.pointDiv = PointDiv;
  for (int i = 0; i < 5; ++i) s.choices[i] = *kChoices[i];
  s.lan = readAddresses();
  gSnapshot = std::move(s);
}

void CancelValueEdit(Works* w) {
  if (!gSnapshot.taken) return;
  const auto keys = setupKeys();
  for (size_t i = 0; i < keys.size() && i < gSnapshot.texts.size(); ++i) {
    const SetupKey& k = keys[i];
    if (k.toText) k.toText(*w, *w->setup);
    if (textOf(k, *w->setup) == gSnapshot.texts[i]) continue;
    setText(k, *w->setup, gSnapshot.texts[i]);
    if (k.fromText) k.fromText(*w, *w->setup);
  }
  w->remoteStarted = gSnapshot.remoteStarted;
  RefLevel = gSnapshot.refLevel, RefPos = gSnapshot.refPos, PointDiv = gSnapshot.pointDiv;
  for (int i = 0; i < 5; ++i) *kChoices[i] = gSnapshot.choices[i];
  {
    std::lock_guard lock(LAN_mutex);
    for (int i = 0; i < 4; ++i) {
      std::memcpy(kLanBytes[i], gSnapshot.lan.bytes[i].data(), 4);
      *kLanCursors[i] = gSnapshot.lan.cursors[i];
    }
  }
  gSnapshot = {};
}
