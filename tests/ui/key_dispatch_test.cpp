// The front-panel keys: per button-bar page a table of {button, long?, start
// state} -> {page, queued amplifier commands, changed fields}.
#include "ui/key_dispatch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>

#include "amp/amp_commands.h"
#include "amp/errors.h"
#include "display/memory_framebuffer.h"
#include "menu_test_support.h"
#include "platform/clock.h"
#include "state/thread_starter.h"
#include "tables/antenna_tables.h"
#include "tables/table_io.h"
#include "tables/tuner_memory.h"
#include "tune/tune_word.h"
#include "ui/confirm_press.h"
#include "ui/hints.h"
#include "ui/key_pages.h"
#include "ui/lumomenu.h"

namespace {

using Fn = std::function<void(Works*)>;
// One field expected after a key: its name, how to read it, the value.
struct Is {
  const char* what;
  std::function<std::string(Works*)> get;
  std::string want;
};
// clang-format off
#define IS(field, value) \
  Is { #field, [](Works* w) { return std::to_string(static_cast<long>(w->field)); }, std::to_string(value) }
// clang-format on
Is picture(const char* name) {
  return {"picture", [](Works* w) { return std::string(w->pngName); }, name};
}
int band20m(Works* w, uint8_t BandRow::*field) {  // the default row that holds 14.07 MHz
  std::lock_guard lock(w->bandMutex);
  return w->bandTab[5].*field;
}

struct KeyCase {
  int button;
  bool held;
  Fn given;  // start state besides the page
  int page;  // page shown afterwards
  std::vector<int> cmds;
  std::vector<Is> fields = {};
  Fn check = nullptr;
};

std::vector<LinkThread> gStarted;
constexpr ThreadStarter kRecordingStarter{[](Works*, LinkThread t) { gStarted.push_back(t); }, nullptr, nullptr};

class KeyDispatch : public AmpTest {
 protected:
  void SetUp() override {
    AmpTest::SetUp();
    w_->fb = fb_.get();
    InitMenuLumo(w_.get());
    LoadTabConfig(w_.get(), w_->NumBanco);  // the default table: 11 rows
    w_->threadStarter = &kRecordingStarter;
    gStarted.clear();
    DisarmConfirm();
  }
  int press(int button, bool held = false) { return DecodeTasto(w_.get(), button, held ? 1 << (button - 1) : 0); }
  void run(int page, const std::vector<KeyCase>& cases) {
    for (size_t i = 0; i < cases.size(); ++i) {
      const KeyCase& c = cases[i];
      SCOPED_TRACE(testing::Message() << "page " << page << " case " << i << " button " << c.button);
      w_->pngName[0] = 0;
      if (c.given) c.given(w_.get());
      drainCommands();
      w_->menuPage = page;
      EXPECT_EQ(press(c.button, c.held), 0);
      EXPECT_EQ(w_->menuPage, c.page);
      EXPECT_EQ(drainCommands(), c.cmds);
      for (const Is& f : c.fields) EXPECT_EQ(f.get(w_.get()), f.want) << f.what;
      if (c.check) c.check(w_.get());
    }
  }
  bool exists(const std::string& path) { return std::filesystem::exists(host(path)); }
  MemoryFrameBuffer fb_{800, 480};
};

// The key tables read best one case to a line.
// clang-format off

TEST_F(KeyDispatch, ScreenSaverWakeOnlyWakes) {
  for (int button = 1; button <= 6; ++button) {
    w_->saverOn = 1;
    w_->lastKeyTime = 0;
    run(kLumoMain, {{button, button == 3, nullptr, kLumoMain, {},
                     {IS(saverOn, 0), picture("img1"), IS(NumBanco, 1), IS(antennaIndex, 0), IS(statusView, 0)}}});
    EXPECT_GE(w_->lastKeyTime, platform::wallSeconds() - 1);
  }
  run(kLumoMain, {{3, false, nullptr, kLumoMain, {kCmdAntenna}, {IS(antennaIndex, 1)}}});
}

TEST_F(KeyDispatch, ButtonOneIsTheErrorKeyWhileErrorsAreListed) {
  AddErrore(w_.get(), kErrHighSwr);
  press(1);
  EXPECT_EQ(w_->NumBanco, 1);
  press(4);  // the other buttons keep their action
  EXPECT_EQ(w_->menuPage, kLumoTune);
  DeleteErrore(w_.get(), kErrHighSwr);
  w_->errorFlags = 0;                   // the amplifier answered the protection reset
  AddErrore(w_.get(), kErrTemp1Alarm);  // cleared only by cooling: MEM keeps working
  w_->menuPage = kLumoMain;
  press(1);
  EXPECT_EQ(w_->NumBanco, 2);
}

TEST_F(KeyDispatch, MainPage) {
  run(kLumoMain, {
      {1, 0, [](Works* w) { w->NumBanco = 19; }, kLumoMain, {kCmdGeneralSettings}, {IS(NumBanco, 0)}},
      // The information screen open: MEM only closes it, the bank stays.
      {1, 0, [](Works* w) { w->statusView = kViewStatus; }, kLumoMain, {},
       {IS(statusView, 0), picture("img1"), IS(NumBanco, 0)}},
      // Opened fresh, the table has no cell cursor: that comes with the edit page.
      {1, 1, nullptr, kLumoUtilities, {}, {IS(statusView, kViewUtilities), picture("statusB"), IS(bandSelCol, -1)}},
      {1, 1, nullptr, kLumoMain, {}, {IS(statusView, 0), picture("img1")}},
      {1, 0, [](Works* w) { w->statusView = kViewUtilities; }, kLumoMain, {}, {IS(statusView, 0), IS(NumBanco, 0)}},
      {2, 1, [](Works* w) { w->attStep = 1; }, kLumoMain, {}, {IS(attStep, 1)}},
      {3, 0, [](Works* w) { w->NumBanco = 1, w->antennaIndex = 2; }, kLumoMain, {kCmdAntenna}, {IS(antennaIndex, 0)},
       [](Works* w) { EXPECT_EQ(band20m(w, &BandRow::ant), 1); }},
      {3, 1, nullptr, kLumoMain, {kCmdAntenna}, {IS(antennaIndex, 1)}},
      {4, 0, nullptr, kLumoTune, {}}, {4, 1, nullptr, kLumoTune, {}},
      {5, 0, nullptr, kLumoSetupList, {}}, {5, 1, nullptr, kLumoSetupList, {}},
      {6, 0, [](Works* w) { w->screenPage = 5, w->statusView = kViewUtilities, w->peak2.value = 50; }, kLumoMain, {},
       {IS(screenPage, 1), IS(statusView, 0), IS(peak2.value, 0), picture("img1")}},
      {6, 0, [](Works* w) { w->screenPage = 2; }, kLumoMain, {}, {IS(screenPage, 3)}},
      {6, 1, nullptr, kLumoMain, {}, {IS(screenPage, 3), IS(statusView, kViewStatus), picture("status")}},
  });
  EXPECT_EQ(EscFromStatus(w_.get()), 1);
  EXPECT_EQ(EscFromStatus(w_.get()), 0);
  w_->statusView = kViewFilters;
  EXPECT_EQ(EscFromStatus(w_.get()), 0);
  EXPECT_EQ(w_->statusView, kViewFilters);
}

TEST_F(KeyDispatch, AttenuatorStepsAndStandby) {
  struct {
    int step, ampBypass, tx, wantStep, wantAtt;
    std::vector<int> cmds;
  } cases[] = {
      {0, 0, 0, 1, 1, {kCmdAttenuator}}, {3, 0, 0, 4, 2, {kCmdAmpBypass}}, {9, 0, 0, 0, 0, {kCmdAttenuator}},
      {4, 1, 0, 0, 0, {kCmdAttenuator, kCmdAmpInLine}}, {2, 1, 0, 3, 3, {kCmdAttenuator, kCmdAmpInLine}},
      {2, 0, 1, 3, 3, {kCmdAttenuator}},
      {3, 0, 1, 0, 0, {kCmdAttenuator}},  // no standby while transmitting
      {4, 1, 1, 4, 2, {}},                // leaving standby under the carrier is refused,
      {1, 1, 1, 1, 2, {}},                // also when the amplifier reported the standby
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "step " << c.step << " bypass " << c.ampBypass << " tx " << c.tx);
    DeleteErrore(w_.get(), kErrCmdNotAvailable);
    w_->attStep = c.step, w_->Attenuator = 2, w_->ampBypass = c.ampBypass;
    w_->ampStatus[1] = 0x10 | c.tx;
    const bool refused = c.tx && c.ampBypass;
    run(kLumoMain, {{2, 0, nullptr, kLumoMain, c.cmds, {IS(attStep, c.wantStep), IS(Attenuator, c.wantAtt)}}});
    EXPECT_EQ(ExistError(w_.get(), kErrCmdNotAvailable), refused ? 1 : 0);
    EXPECT_EQ(band20m(w_.get(), &BandRow::ampEnable), refused || c.wantStep <= 3 ? 1 : 0);
  }
  for (int tx : {0, 1}) {
    w_->ampStatus[1] = tx, w_->ampBypass = 0, w_->attStep = 0;
    std::vector<int> steps;
    for (int i = 0; i < 6; ++i) press(2), steps.push_back(w_->attStep);
    EXPECT_EQ(steps, (tx ? std::vector<int>{1, 2, 3, 0, 1, 2} : std::vector<int>{1, 2, 3, 4, 0, 1}));
  }
}

// ANT, MEM and the set-up resend switch relays: never under the carrier, and
// a tune running for the antenna or bank that goes away ends unstored.
TEST_F(KeyDispatch, RelayKeysWaitForReceive) {
  // Each case starts with the notice gone and answered, so button 1 is MEM.
  const Fn noNotice = [](Works* w) { DeleteErrore(w, kErrCmdNotAvailable), w->errorFlags = 0; };
  const Fn tx = [noNotice](Works* w) { w->ampStatus[1] = 0x11, noNotice(w); };
  const auto refused = [](Works* w) { EXPECT_EQ(ExistError(w, kErrCmdNotAvailable), 1); };
  run(kLumoMain, {
      {3, 0, tx, kLumoMain, {}, {IS(antennaIndex, 0)}, refused},
      {3, 1, tx, kLumoMain, {}, {IS(antennaIndex, 0)}, refused},
      {1, 0, [&](Works* w) { tx(w), w->NumBanco = 1; }, kLumoMain, {}, {IS(NumBanco, 1)}, refused},
      {1, 1, tx, kLumoUtilities, {}, {IS(statusView, kViewUtilities)}},  // the utilities switch nothing
  });
  w_->statusView = 0;
  run(kLumoTune, {{6, 1, tx, kLumoTune, {}, {}, refused}});
  // In receive with a tune running: it ends (attenuation restored) before the change.
  const Fn tuning = [noNotice](Works* w) { w->ampStatus[1] = 0x10, w->tunerRunning = 1, noNotice(w); };
  run(kLumoMain, {
      {3, 0, tuning, kLumoMain, {kCmdAttenuator, kCmdThresholds, kCmdAntenna},
       {IS(antennaIndex, 1), IS(tunerRunning, 0)}},
      {1, 0, tuning, kLumoMain, {kCmdAttenuator, kCmdThresholds, kCmdGeneralSettings},
       {IS(NumBanco, 2), IS(tunerRunning, 0)}},
  });
}

TEST_F(KeyDispatch, SetUpResendKeepsStandby) {
  const std::vector<int> standby = {kCmdProtectionsOff, kCmdClearProtections, kCmdThresholds, kCmdAmpBypass,
                                    kCmdAntennaMode,    kCmdAntenna,          kCmdAttenuator};
  run(kLumoTune, {
      {6, 1, [](Works* w) { w->ModeWorkIdx = 0, w->ampBypass = 1, w->attStep = 4; }, kLumoTune, standby},
      {6, 1, [](Works* w) { w->ampBypass = 1, w->attStep = 2; }, kLumoTune, standby},  // as the amplifier reports
  });
}

// Holding VIEW opens the information screen and starts the link of the bank's
// interface only, and never on a port another link holds.
TEST_F(KeyDispatch, InformationScreenStartsOnlyTheBanksLink) {
  struct {
    int mode;
    const char* serPort;
    char enaCatSer;
    std::vector<LinkThread> started;
    std::string flags;  // enaser, enaCatSer afterwards
  } cases[] = {
      {0, "/dev/ttyUSB1", '0', {}, "00"},
      {1, "/dev/ttyUSB1", '0', {LinkThread::ExtIo}, "10"},
      {1, "/dev/ttyUSB1", '1', {}, "01"},  // the FT-817 link holds the port
      {1, "/dev/ttyUSB3", '1', {LinkThread::ExtIo}, "11"},
      {2, "/dev/ttyUSB1", '0', {LinkThread::CatSerial}, "01"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    SetupRecord& s = *w_->setup;
    std::snprintf(s.SerPort, sizeof s.SerPort, "%s", c.serPort);
    std::snprintf(s.CatSerialPort, sizeof s.CatSerialPort, "%s", "/dev/ttyUSB1");
    s.enaser = '0', s.enaCatSer = c.enaCatSer;
    w_->ModeWorkIdx = c.mode, w_->statusView = 0;
    gStarted.clear();
    run(kLumoMain, {{6, 1, nullptr, kLumoMain, {}, {IS(statusView, kViewStatus)}}});
    EXPECT_EQ(gStarted, c.started);
    EXPECT_EQ((std::string{s.enaser, s.enaCatSer}), c.flags);
    // Cancelled on the failed-link page, the link stays off while the screen is open.
    s.enaser = s.enaCatSer = '0';
    gStarted.clear();
    run(kLumoMain, {{6, 1, nullptr, kLumoMain, {}}});
    EXPECT_TRUE(gStarted.empty());
  }
}

TEST_F(KeyDispatch, SetupListPage) {
  run(kLumoSetupList, {
      {3, 0, [](Works* w) { w->menuRow = 0, w->menuSub = 2; }, kLumoSetupList, {}, {IS(menuRow, kMenuRowCount - 1), IS(menuSub, 0)}},
      {4, 0, [](Works* w) { w->menuSub = 2; }, kLumoSetupList, {}, {IS(menuRow, 0), IS(menuSub, 0)}},
      {4, 1, nullptr, kLumoSetupList, {}, {IS(menuRow, 1)}}, {3, 0, nullptr, kLumoSetupList, {}, {IS(menuRow, 0)}},
      {2, 0, nullptr, kLumoSetupList, {}, {IS(menuRow, 0)}}, {6, 0, nullptr, kLumoValueEdit, {}},
      {1, 0, nullptr, kLumoMain, {}},
  });
}

TEST_F(KeyDispatch, TunePage) {
  const Fn notSaved = [](Works* w) { w->hintFlags = 0x02; };
  std::vector<int> setUp = {kCmdProtectionsOff, kCmdClearProtections, kCmdThresholds, kCmdAmpInLine,
                            kCmdAntennaMode, kCmdAntenna, kCmdAttenuator};
  std::vector<int> withFreq = setUp;
  withFreq.insert(withFreq.begin() + 2, kCmdFrequency);
  run(kLumoTune, {
      {1, 0, [](Works* w) { w->tunerRunning = 1, w->hintFlags = 2; }, kLumoTune, {}, {IS(hintFlags, 0)}},
      {1, 0, [](Works* w) { w->tunerRunning = 0; }, kLumoMain, {}},
      // TUNE that cannot tune says why: the tuner bypassed, or "Enable VYR Tune" off.
      {4, 0, [](Works* w) { w->atuBypass = 1, w->AutoTuneMode = kAtmEnabled, w->hintFlags = 2; }, kLumoTune, {},
       {IS(tunerRunning, 0), IS(hintFlags, kHintTuneBypassed)}},
      {4, 0, [](Works* w) { w->atuBypass = 0, w->AutoTuneMode = 0; }, kLumoTune, {},
       {IS(tunerRunning, 0), IS(hintFlags, kHintTuneOff)}},
      {2, 0, [](Works* w) { w->AutoTuneMode = kAtmEnabled; }, kLumoTune, {}, {IS(hintFlags, 0)}},
      {4, 0, [](Works* w) { w->atuBypass = 0; }, kLumoTune,
       {kCmdProtectionsOn, kCmdAttenuatorTune, kCmdThresholds, kCmdClearProtections, kCmdProtectionsOff},
       {IS(tunerRunning, 1), IS(hintFlags, 0)}},
      {4, 0, nullptr, kLumoTune, {kCmdAttenuator, kCmdThresholds}, {IS(tunerRunning, 0)}},  // a running tune is aborted
      {5, 0, notSaved, kLumoTune, {kCmdTunerBypass}, {IS(atuBypass, 1), IS(hintFlags, 0)}},
      {5, 0, nullptr, kLumoTune, {kCmdNeutralTune}, {IS(atuBypass, 0)}},  // nothing stored: the neutral setting
      {6, 0, notSaved, kLumoManualTune, {kCmdReadTuneWord}, {IS(manualMode, 1), IS(hintFlags, 0)}},
      {6, 0, nullptr, kLumoTune, {}, {IS(manualMode, 0)}},
      {6, 1, [](Works* w) { w->ModeWorkIdx = 0, w->ampBypass = 0; }, kLumoTune, setUp},  // in line: "AB0;"
      {6, 1, [](Works* w) { w->ModeWorkIdx = 2, w->ampBypass = 0; }, kLumoTune, withFreq},
      {2, 0, notSaved, kLumoTune, {}, {IS(hintFlags, 0)}},
  });
}

TEST_F(KeyDispatch, ManualTuneStepsStopAtTheRangeEndsAndRepeat) {
  struct {
    int button, startL, startC, wantL, wantC;
  } cases[] = {{3, 510, 7, 511, 7}, {3, 511, 7, 511, 7}, {2, 1, 7, 0, 7}, {2, 0, 7, 0, 7},
               {5, 7, 510, 7, 511}, {5, 7, 511, 7, 511}, {4, 7, 1, 7, 0}, {4, 7, 0, 7, 0}};
  for (const auto& c : cases) {
    SetI(w_.get(), c.startL), SetC(w_.get(), c.startC);
    w_->tuneL = c.startL, w_->tuneC = c.startC;
    const bool moved = c.wantL != c.startL || c.wantC != c.startC;
    const std::vector<int> cmds = moved ? std::vector<int>{kCmdSetTuneWord} : std::vector<int>{};
    run(kLumoManualTune,
        {{c.button, 0, nullptr, kLumoManualTune, cmds, {IS(tuneL, c.wantL), IS(tuneC, c.wantC), IS(tuneSem, 0)}}});
    EXPECT_EQ(DecodeInduttanzaFromTuneval(w_->tuneWord), c.wantL);
    EXPECT_EQ(DecodeCapacitaFromTuneval(w_->tuneWord), c.wantC);
  }
  // Holding "up C" repeats each step from where the last one ended.
  w_->tuneC = 508, w_->hintFlags = 0x01;
  std::vector<int> seen;
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(DecodeTasto(w_.get(), 5, 0x11), 0x10);
    seen.push_back(w_->tuneC);
  }
  EXPECT_EQ(seen, (std::vector<int>{509, 510, 511, 511}));
  // The three steps asked before any went out: the word goes once, the latest.
  EXPECT_EQ(drainCommands(), std::vector<int>{kCmdSetTuneWord});
  EXPECT_EQ(DecodeCapacitaFromTuneval(w_->tuneWord), 511);
  EXPECT_EQ(w_->hintFlags, 0x01);  // still held
}

TEST_F(KeyDispatch, ManualTunePage) {
  const auto caption = [](const char* text) {
    return Is{"caption", [](Works*) { return std::string(GetLumoPage(kLumoManualTune).caption[10]); }, text};
  };
  run(kLumoManualTune, {
      {1, 1, [](Works* w) { SetMode(w, 1); }, kLumoManualTune, {kCmdSetTuneWord}, {IS(tuneMode, 2)}},
      {1, 1, nullptr, kLumoManualTune, {kCmdSetTuneWord}, {IS(tuneMode, 3)}},
      {1, 1, nullptr, kLumoManualTune, {kCmdSetTuneWord}, {IS(tuneMode, 1)}},
      {1, 1, [](Works* w) { w->tunerRunning = 1; }, kLumoManualTune, {}, {IS(tuneMode, 1)}},
      {6, 0, [](Works* w) { w->manualTune = 0, w->ampStatus[0] = 1, w->anMode = 2; }, kLumoManualTune,
       {kCmdAntennaMode}, {caption("StopTX"), IS(manualTune, 0x13), IS(anMode, 0)}},
      {6, 0, [](Works* w) { w->manualTune = 0xFF; }, kLumoManualTune, {}, {caption("StartTX"), IS(manualTune, 0xCD)}},
      {6, 0, [](Works* w) { w->ampStatus[0] = 0; }, kLumoManualTune, {}, {caption("StopTX"), IS(manualTune, 0xCF)}},
      {1, 0, [](Works* w) { w->manualTune = 0x06, w->NumBanco = 4, w->antennaIndex = 2; }, kLumoSaveTune, {},
       {IS(manualTune, 0x05), IS(tuneMemBank, 4), IS(tuneMemAnt, 2)}},
      // Left after STARTTX: the carrier and the antenna mode go back as by StopTX.
      {1, 0, [](Works* w) { w->manualTune = 0x13; }, kLumoSaveTune, {}, {IS(manualTune, 0x01)}},
  });
}

TEST_F(KeyDispatch, FailedLinkPage) {
  struct {
    int link, button;
    std::vector<LinkThread> started;
    const char* flags;  // enaCatSer, enaser, EnableFFT afterwards
    int fault;
  } cases[] = {
      // The amplifier, FT-817 and external IO links reopen their own ports.
      {1, 5, {}, "111", -1}, {2, 5, {LinkThread::CatRelay}, "111", -1}, {3, 5, {}, "111", -1},
      {5, 5, {LinkThread::Spectrum}, "111", -1}, {1, 6, {}, "111", -1}, {2, 6, {}, "011", -1},
      {3, 6, {}, "101", -1}, {5, 6, {}, "110", -1}, {3, 1, {}, "111", 3}, {3, 4, {}, "111", 3},
  };
  for (const auto& c : cases) {
    SetupRecord& s = *w_->setup;
    s.EnableCAT = s.enaCatSer = s.enaser = s.EnableFFT = '1';
    gStarted.clear();
    w_->linkFault = c.link;
    run(kLumoFailedLink, {{c.button, 0, nullptr, kLumoFailedLink, {}, {IS(linkFault, c.fault)}}});
    EXPECT_EQ(gStarted, c.started) << c.link;
    EXPECT_EQ((std::string{s.enaCatSer, s.enaser, s.EnableFFT}), c.flags) << c.link;
    EXPECT_EQ(s.EnableCAT, '1') << "the CAT relay is another link";
    const bool retry = c.button == 5;
    EXPECT_EQ(w_->catSerReopenRequested.exchange(false), retry && c.link == 2) << c.link;
    EXPECT_EQ(w_->serReopenRequested.exchange(false), retry && c.link == 3) << c.link;
  }
}

TEST_F(KeyDispatch, UtilitiesAndBandTablePages) {
  const auto pwr = [](int tenths) {
    return Is{"pwr", [](Works* w) {
      std::lock_guard lock(w->bandMutex);
      return std::to_string(std::lround(w->bandTab[0].pwr * 10));
    }, std::to_string(tenths)};
  };
  const Fn saved = [this](Works*) { EXPECT_NE(readHost(tables::bandTablePath(1)).find(" 0.1\n"), std::string::npos); };
  run(kLumoUtilities, {
      {3, 0, [](Works* w) { w->bandSelRow = 0, w->bandSelCol = -1; }, kLumoUtilities, {}, {IS(bandSelRow, 10)}},
      {4, 0, nullptr, kLumoUtilities, {}, {IS(bandSelRow, 0)}},
      {2, 0, [](Works* w) { w->ModeWorkIdx = 2; }, kLumoUtilities, {kCmdGeneralSettings}, {IS(ModeWorkIdx, 0)}},
      {5, 0, nullptr, kLumoBankUtilities, {}},
      {6, 0, nullptr, kLumoAntennaEdit, {}, {IS(bandSelCol, 0)}},
  });
  run(kLumoAntennaEdit, {
      {2, 0, nullptr, kLumoAntennaEdit, {}, {IS(bandSelCol, 4)}},
      {3, 0, nullptr, kLumoAntennaEdit, {}, {IS(bandSelCol, 0)}},
      {4, 0, nullptr, kLumoAntennaEdit, {}, {pwr(1)}}, {6, 0, nullptr, kLumoAntennaEdit, {}, {}, saved},
      {4, 0, nullptr, kLumoAntennaEdit, {}, {pwr(2)}}, {5, 0, nullptr, kLumoAntennaEdit, {}, {pwr(1)}},
      {4, 0, nullptr, kLumoAntennaEdit, {}, {pwr(2)}},
      {1, 0, nullptr, kLumoUtilities, {}, {IS(bandSelCol, -1), pwr(1)}},  // what was not saved is dropped
  });
  run(kLumoUtilities, {
      {1, 0, [](Works* w) { w->statusView = kViewUtilities; }, kLumoMain, {}, {IS(statusView, 0), picture("img1")}},
  });
}

TEST_F(KeyDispatch, SaveTunePage) {
  const std::string file = tables::tuneMemPath(7, 2);
  run(kLumoSaveTune, {
      {2, 0, [](Works* w) { w->tuneMemBank = 19, w->tuneMemAnt = 2; }, kLumoSaveTune, {}, {IS(tuneMemBank, 0)}},
      {2, 0, [](Works* w) { w->tuneMemBank = 6; }, kLumoSaveTune, {}, {IS(tuneMemBank, 7), IS(tuneMemAnt, 2)}},
      {3, 0, nullptr, kLumoSaveTune, {}, {IS(tuneMemAnt, 0)}}, {3, 1, nullptr, kLumoSaveTune, {}, {IS(tuneMemAnt, 1)}},
      // The word in bypass as the link thread leaves it, the decoded mode still "CL".
      {6, 0, [](Works* w) { w->tuneMemAnt = 2, SetMode(w, 1), w->tuneWord = kTuneModeBypass; }, kLumoTune, {},
       {IS(hintFlags, 2)}, [&](Works*) { EXPECT_FALSE(exists(file)); }},
      {6, 0, [](Works* w) { w->hintFlags = 0, SetMode(w, 1), SetI(w, 50), SetC(w, 100); }, kLumoTune,
       {kCmdGeneralSettings}, {IS(hintFlags, 0)},  // the current bank is loaded again
       [&](Works*) { EXPECT_NE(readHost(file).find(" 1 1 50 100\n"), std::string::npos); }},
      {1, 0, nullptr, kLumoMain, {}},
  });
}

TEST_F(KeyDispatch, BankPages) {
  const std::string bank1 = "!Vyr\n160m 1800000 2000000 1 2 0 1 0.0\n80m 3500000 4000000 0 0 1 0 12.5\n";
  writeHost(tables::bandTablePath(1), bank1);
  for (int b : {0, 3, 7, 19}) writeHost(tables::tuneMemPath(b, 1), "");
  const auto files = [this](std::vector<int> deleted, std::vector<int> kept) {
    return [=, this](Works*) {
      for (int b : deleted) EXPECT_FALSE(exists(tables::tuneMemPath(b, 1))) << b;
      for (int b : kept) EXPECT_TRUE(exists(tables::tuneMemPath(b, 1))) << b;
    };
  };
  // The copy takes the origin's rows; its header names the interface in use.
  const Fn copied = [&](Works* w) {
    EXPECT_EQ(readHost(tables::bandTablePath(5)),
              std::string(w->ModeWorkIdx == 1 ? "!Vyr" : w->ModeWorkIdx == 2 ? "!817" : "!Gen") + bank1.substr(4));
  };
  const Fn anyRow = [](Works* w) { w->bandRowIdx = 4; };
  run(kLumoBankUtilities, {
      {4, 0, nullptr, kLumoBankUtilities, {}}, {2, 0, nullptr, kLumoBankCopy, {}, {IS(copyFrom, 1)}},
  });
  run(kLumoBankCopy, {
      {2, 0, [](Works* w) { w->copyFrom = 19; }, kLumoBankCopy, {}, {IS(copyFrom, 0)}},
      {3, 0, [](Works* w) { w->copyTo = 19; }, kLumoBankCopy, {}, {IS(copyTo, 0)}},
      {3, 0, [](Works* w) { w->copyFrom = 1, w->copyTo = 4; }, kLumoBankCopy, {}, {IS(copyTo, 5)}},
      {6, 0, nullptr, kLumoUtilities, {}, {}, copied}, {1, 0, nullptr, kLumoUtilities, {}},
  });
  run(kLumoBankUtilities, {
      {3, 0, nullptr, kLumoBankReset, {}, {IS(resetBank, 1)}}, {1, 0, nullptr, kLumoUtilities, {}},
  });
  run(kLumoBankReset, {
      {2, 0, [](Works* w) { w->resetBank = 2; }, kLumoBankReset, {}, {IS(resetBank, 3)}},
      // START erases on its second press; the first only arms the countdown.
      {6, 0, anyRow, kLumoBankReset, {}, {IS(bandRowIdx, 4)}, files({}, {0, 3, 7, 19})},
      {6, 0, anyRow, kLumoUtilities, {kCmdGeneralSettings}, {IS(bandRowIdx, -1)}, files({3}, {0, 7, 19})},
      {2, 0, [](Works* w) { w->resetBank = 19; }, kLumoBankReset, {}, {IS(resetBank, 20)}},  // MAXbank: all banks
      {6, 0, anyRow, kLumoBankReset, {}, {}, files({}, {0, 7, 19})},
      {2, 0, nullptr, kLumoBankReset, {}, {IS(resetBank, 0)}},  // another key disarms
      {2, 0, [](Works* w) { w->resetBank = 19; }, kLumoBankReset, {}, {IS(resetBank, 20)}},
      {6, 0, anyRow, kLumoBankReset, {}, {}, files({}, {0, 7, 19})},
      {6, 0, anyRow, kLumoUtilities, {kCmdGeneralSettings}, {IS(bandRowIdx, -1)}, files({0, 7, 19}, {})},
      {2, 0, nullptr, kLumoBankReset, {}, {IS(resetBank, 0)}}, {1, 0, nullptr, kLumoUtilities, {}},
  });
}

// After a copy between two other banks, the next ANT press and the next stored
// tune write the current bank's own rows and settings back to its files.
TEST_F(KeyDispatch, BankCopyLeavesTheCurrentBankInMemory) {
  const std::string bank1 = "!Vyr\n160m 1800000 2000000 1 2 0 1 0.0\n80m 3500000 4000000 0 0 1 0 12.5\n";
  const std::string bank2 = "!Gen\n20m 14000000 14350000 1 3 1 2 7.5\n";
  writeHost(tables::bandTablePath(1), bank1);
  writeHost(tables::bandTablePath(2), bank2);
  writeHost(tables::tuneMemPath(1, 0), "3 0 1 1 50 100\n");
  writeHost(tables::tuneMemPath(2, 0), "");
  w_->NumBanco = 1;
  LoadAllBankTable(w_.get(), 1);
  w_->copyFrom = 2, w_->copyTo = 5;
  run(kLumoBankCopy, {{6, 0, nullptr, kLumoUtilities, {}}});
  EXPECT_NE(readHost(tables::bandTablePath(5)).find("20m 14000000"), std::string::npos);
  w_->antennaIndex = 0;
  run(kLumoMain, {{3, 0, nullptr, kLumoMain, {kCmdAntenna}}});
  EXPECT_EQ(readHost(tables::bandTablePath(1)), bank1);  // no row holds freq 0: nothing to store
  w_->freq = 14070000;
  SetMode(w_.get(), 1), SetI(w_.get(), 20), SetC(w_.get(), 30);
  InsertTuneToMem(w_.get(), 1, 0);
  const std::string mem = readHost(tables::tuneMemPath(1, 0));
  EXPECT_EQ(mem.rfind("3 ", 0), 0u) << mem;
  EXPECT_NE(mem.find(" 1 1 50 100\n"), std::string::npos) << mem;
  EXPECT_NE(mem.find(" 1 1 20 30\n"), std::string::npos) << mem;
}

TEST_F(KeyDispatch, FiltersPage) {
  const auto enabled = [](int v) {
    return Is{"enabled", [](Works* w) {
      std::lock_guard lock(w->filterMutex);
      return std::to_string(w->filterTab[3].enabled);
    }, std::to_string(v)};
  };
  run(kLumoFilters, {
      {2, 0, [](Works* w) { w->filterSel = 0; }, kLumoFilters, {}, {IS(filterSel, 7)}},
      {3, 0, nullptr, kLumoFilters, {}, {IS(filterSel, 0)}},
      {5, 0, [](Works* w) { w->filterSel = 3; }, kLumoFilters, {}, {enabled(1)}},
      {6, 0, nullptr, kLumoFilters, {}, {enabled(0)}}, {1, 0, nullptr, kLumoFilters, {}},
      {1, 0, [](Works* w) { w->statusView = kViewFilters; }, kLumoMain, {}, {IS(statusView, 0), picture("img1")}},
  });
  EXPECT_FALSE(readHost("/opt/set/filter.txt").empty());
}

// clang-format on

// The value-edit page, on the address row whose four keys all act differently.
class KeyValueEdit : public MenuTest {};

TEST_F(KeyValueEdit, KeysPassTheirCodesAndTheRepeat) {
  MemoryFrameBuffer fb{800, 480};
  w_->fb = fb.get();
  const auto press = [&](int button, int held = 0) {
    w_->menuPage = kLumoValueEdit;
    return DecodeTasto(w_.get(), button, held);
  };
  w_->menuRow = kRowIp;
  for (int button : {5, 3, 4, 2}) press(button);  // "+" byte 3, ">" cursor 0, "-" byte 0, "<" cursor 3
  EXPECT_EQ(shown(kRowIp), "255.0.0.1");
  EXPECT_EQ(CntIP, 3);
  w_->menuRow = kRowTargetSwr;
  w_->SWRescAutoTune = 2.0f;
  for (int button = 4; button <= 5; ++button) EXPECT_EQ(press(button, 1 << (button - 1)), 1) << button;
  // The blank "<" and ">" of a row without a cursor do nothing.
  for (int button = 2; button <= 3; ++button) EXPECT_EQ(press(button, 1 << (button - 1)), 0) << button;
  EXPECT_EQ(shown(kRowTargetSwr), "2.00");
  w_->menuRow = kRowMaxBank;
  w_->MAXbank = 5;
  EXPECT_EQ(press(5, 0x10), 0);
  const struct {
    int view, page;
  } enters[] = {{0, kLumoSetupList}, {kViewUtilities, kLumoUtilities}, {kViewFilters, kLumoFilters}};
  for (const auto& e : enters) {
    w_->statusView = e.view;
    EXPECT_EQ(press(6), 0);
    EXPECT_EQ(w_->menuPage, e.page);
  }
  EXPECT_EQ(saved("MAXbank"), "6");  // ENTER saves
}

// BACK leaves the value-edit page with every setting as it was when it opened,
// in memory and on file.
TEST_F(KeyValueEdit, BackLeavesWithNothingChanged) {
  const auto open = [&](int row) {
    w_->menuPage = kLumoSetupList, w_->menuRow = row;
    DecodeTasto(w_.get(), 6, 0);
    ASSERT_EQ(w_->menuPage, kLumoValueEdit);
  };
  const auto key = [&](int button, int times = 1) {
    for (int i = 0; i < times; ++i) DecodeTasto(w_.get(), button, 0);
  };
  const std::string file = readHost(kSetupPath);
  open(kRowTempAlarm1);
  key(4, 12);  // "-": 58.8
  EXPECT_EQ(shown(kRowTempAlarm1), "58.80");
  key(1);
  EXPECT_EQ(w_->menuPage, kLumoSetupList);
  EXPECT_EQ(shown(kRowTempAlarm1), "60.00");
  EXPECT_EQ(recordText("MaxTemperature"), "600");
  for (int row : {kRowDateTime, kRowAutoTune, kRowMaxBank, kRowRefLevel, kRowFactoryDefault}) {
    SCOPED_TRACE(row);
    const std::string before = shown(row);
    open(row);
    key(5);
    EXPECT_NE(shown(row), before);
    key(1);
    EXPECT_EQ(shown(row), before);
  }
  w_->statusView = kViewUtilities;  // BACK returns where ENTER would
  open(kRowDateTime);
  key(1);
  EXPECT_EQ(w_->menuPage, kLumoUtilities);
  EXPECT_EQ(readHost(kSetupPath), file);
}

// FACTORY DEFAULT erases on a second ENTER within the countdown; anything
// else in between, or the countdown running out, leaves everything.
TEST_F(KeyValueEdit, FactoryResetAsksTwice) {
  writeHost(tables::bandTablePath(4), "!Gen\n20m 14000000 14350000 1 2 0 0 0.0\n");
  const auto enter = [&] {
    w_->menuPage = kLumoValueEdit;
    DecodeTasto(w_.get(), 6, 0);
  };
  w_->menuRow = kRowFactoryDefault;
  menuChoices.factoryDefault = true;
  enter();
  EXPECT_EQ(w_->menuPage, kLumoValueEdit);
  EXPECT_GT(ConfirmSecondsLeft(kConfirmFactoryReset), 0);
  EXPECT_TRUE(std::filesystem::exists(host(tables::bandTablePath(4))));
  DecodeTasto(w_.get(), 4, 0);  // "-": "No Default", disarmed
  DecodeTasto(w_.get(), 4, 0);  // "Set Default" again
  enter();
  EXPECT_TRUE(std::filesystem::exists(host(tables::bandTablePath(4))));
  enter();
  EXPECT_EQ(w_->menuPage, kLumoSetupList);
  EXPECT_FALSE(std::filesystem::exists(host(tables::bandTablePath(4))));
  EXPECT_EQ(ConfirmSecondsLeft(kConfirmFactoryReset), 0);
}

// OFF HW: only ENTER switches the unit off; BACK leaves its page.
TEST_F(KeyValueEdit, OffHwAsksForEnter) {
  w_->menuRow = kRowOffHw;
  w_->tinyCmdActive = 255;
  for (int button : {2, 3, 4, 5, 1}) {
    w_->menuPage = kLumoValueEdit;
    DecodeTasto(w_.get(), button, 0);
    EXPECT_EQ(w_->tinyCmdActive, 255) << button;
  }
  EXPECT_EQ(w_->menuPage, kLumoSetupList);
  w_->menuPage = kLumoValueEdit;
  DecodeTasto(w_.get(), 6, 0);
  EXPECT_EQ(w_->tinyCmdActive, 133);
}

}  // namespace
