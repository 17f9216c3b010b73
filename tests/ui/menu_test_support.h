#pragma once
// A record as after start-up with the setup file written, the menus built and
// the grid and address settings at their start values; keys are applied to one
// row and its value read back as the list shows it.
#include <cstring>
#include <sstream>
#include <string>

#include "amp_test_support.h"
#include "platform/board.h"
#include "state/globals.h"
#include "state/setup.h"
#include "state/setup_keys.h"
#include "ui/background_job.h"
#include "ui/grid.h"
#include "ui/menu.h"
#include "ui/menu_rows.h"
#include "ui/network_settings.h"
#include "ui/remote_checks.h"

class MenuTest : public AmpTest {
 protected:
  void SetUp() override {
    AmpTest::SetUp();
    readSetup(w_.get());  // no file yet: the defaults, written out
    w_->errorsMuted = 0;
    InitMenuLumo(w_.get());
    InitGrid();
    for (uint8_t* v : {IP_v, NetMask_v, Gateway_v, DNS_v}) std::memset(v, 0, 4);
    CntIP = CntNetMask = CntGateway = CntDNS = 3;
    drainCommands();
    platform::clearCommandRecord();
    SetBackgroundJobsInline(true);  // what the keys do; when, in the job tests
  }
  void TearDown() override {
    SetBackgroundJobsInline(false);
    SetRemoteChecks(nullptr);
    AmpTest::TearDown();
  }
  // Applies `key` `times` times to `row`; the result of the last.
  int press(int row, int key, int times = 1) {
    w_->menuRow = row;
    int r = 0;
    for (int i = 0; i < times; ++i) r = ModifyParameter(w_.get(), key);
    return r;
  }
  std::string shown(int row, int flag = 0) {
    char out[kMenuValueSize];
    LoadParameterMenu(w_.get(), out, row, flag);
    return out;
  }
  // The setup record's text of a key, as it stands (no refresh from the mirrors).
  std::string recordText(const char* key) {
    for (const SetupKey& k : setupKeys())
      if (std::strcmp(k.name, key) == 0)
        return k.kind == SetupKind::Flag ? std::string(1, k.flag(*w_->setup).load()) : k.text(*w_->setup).data();
    return "?";
  }
  // The value of a key in the setup file, "" when the line is missing.
  std::string saved(const std::string& key) {
    std::istringstream in(readHost(kSetupPath));
    for (std::string l; std::getline(in, l);)
      if (l.rfind(key + ": ", 0) == 0) return l.substr(key.size() + 2);
    return "";
  }
};
