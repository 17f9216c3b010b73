#include "state/setup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/board.h"
#include "platform/files.h"
#include "platform/log.h"
#include "state/globals.h"
#include "works_fixture.h"

using ::testing::HasSubstr;

namespace {

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

class SetupTest : public WorksTest {
 protected:
  void writeSetupFile(const std::string& text) { writeHost("/opt/set/setup.txt", text); }
  std::string setupFile() { return readHost("/opt/set/setup.txt"); }
  std::string lineOf(const std::string& key) {
    for (auto& l : lines(setupFile()))
      if (l.rfind(key + ": ", 0) == 0) return l;
    return "";
  }
};

TEST_F(SetupTest, MissingFileWritesAllDefaultsInOrder) {
  std::vector<std::string> seen;
  platform::setLogObserver([&](const std::string& s) { seen.push_back(s); });
  readSetup(w_.get());
  platform::setLogObserver({});

  auto file = lines(setupFile());
  ASSERT_EQ(file.size(), 67u);
  const std::vector<std::string> expected = {"EnableKeyb: 1",
                                             "EnableSpi: 0",
                                             "EnableTouch: 0",
                                             "DelayedTouch: 0",
                                             "EnableGPIO: 1",
                                             "EnableRead: 0",
                                             "EnableWrite: 0",
                                             "EnableCAT: 0",
                                             "EnableLinear: 1",
                                             "EnableTime: 1",
                                             "WebSocket: 1",
                                             "Pitch: 2500",
                                             "Quality: 100",
                                             "AudioIn: hw:1",
                                             "InChannels: 1",
                                             "AudioCompress: 0",
                                             "Multiplier: 2",
                                             "AudioOut: hw:1",
                                             "Server: 127.0.0.1",
                                             "TcpPort: 6666",
                                             "CatPort: /dev/ttyUSB0",
                                             "SerPort: /dev/ttyUSB1",
                                             "LinPort: /dev/ttyAMA0",
                                             "NumAntenna: 1",
                                             "EnablePwrPeak: 0",
                                             "TempMode: 0",
                                             "FreqSensIn: 0",
                                             "FreqPeriodTime: 10",
                                             "Attenuator: 0",
                                             "AttenuatorTune: 0",
                                             "SWRescAutoTune: 0",
                                             "ViewTimeStr: 0",
                                             "ViewTemp: 0",
                                             "MaxTemperature: 600",
                                             "MaxTemperature2: 800",
                                             "AutoTuneMaxCicli: 0",
                                             "PowerUnits: 0",
                                             "SaveScreenIdx: 0",
                                             "AutoTuneMode: 0",
                                             "EnableFFT: 0",
                                             "Divide: 0",
                                             "MaxTempAllowed: 60",
                                             "PSpar1: 1",
                                             "PSpar2: 1000",
                                             "Isteresi1: 1",
                                             "Isteresi2: 1",
                                             "PSpar3: 0",
                                             "PSpar4: 0",
                                             "OffsetPlot: 0",
                                             "CatSerialPort: /dev/ttyUSB1",
                                             "TUNEenabled: 0",
                                             "NumBanco: 1",
                                             "GMpar1: 2",
                                             "GMpar2: 100",
                                             "Peak_media: 2",
                                             "Peak_ValDec: 10",
                                             "Peak_TimeDec: 1",
                                             "Peak_Time: 3000",
                                             "MAXbank: 20",
                                             "BTN_longpress_Time: 5",
                                             "EnableDebug: 0",
                                             "Enable1600: 1",
                                             "EnableLOGTemp: 0",
                                             "AudioBuffers: 20",
                                             "TuneSearch: 0",
                                             "RemoteTxLimit: 180",
                                             "ListenAddress: 0.0.0.0"};
  EXPECT_EQ(file, expected);
  EXPECT_THAT(seen, ::testing::Contains("2: Init Setup! "));
  EXPECT_THAT(seen, ::testing::Contains("E: can't open /opt/set/setup.txt"));
  // The first run keeps 240 samples per audio frame; the next run reads Multiplier 2.
  EXPECT_EQ(w_->audioFrameSamples, 240);
  readSetup(w_.get());
  EXPECT_EQ(w_->audioFrameSamples, 480);
}

TEST_F(SetupTest, WriteHappensBetweenTheTwoRemounts) {
  readSetup(w_.get());
  auto record = platform::commandRecord();
  auto rw = std::find(record.begin(), record.end(), "mount -o remount defaults,rw /opt/set");
  ASSERT_NE(rw, record.end());
  EXPECT_NE(std::find(rw, record.end(), "mount -v -n -o remount -r /opt/set"), record.end());
  EXPECT_FALSE(platform::optSetWritable());
  // Outside the bracket the folder is read-only, as on the board.
  EXPECT_EQ(platform::openFile("/opt/set/setup.txt", "w"), nullptr);
}

TEST_F(SetupTest, OneKeyFileKeepsOtherDefaultsAndIsNotRewritten) {
  writeSetupFile("WebSocket: 2\n");
  readSetup(w_.get());
  EXPECT_EQ(w_->setup->WebSocket, '2');
  EXPECT_EQ(w_->setup->EnableKeyb, '1');
  EXPECT_EQ(w_->tcpPort, 6666);
  EXPECT_STREQ(w_->setup->LinPort, "/dev/ttyAMA0");
  EXPECT_EQ(setupFile(), "WebSocket: 2\n");
  EXPECT_TRUE(platform::commandRecord().empty());
}

struct ScaledCase {
  const char* line;
  const char* writtenBack;
  void (*check)(Works&);
};

TEST_F(SetupTest, ScaledAndMirroredKeysReadAndWriteBack) {
  const ScaledCase cases[] = {
      {"NumAntenna: 3", "NumAntenna: 3", [](Works& w) { EXPECT_EQ(w.antennaIndex, 2); }},
      {"OffsetPlot: 25", "OffsetPlot: 20", [](Works& w) { EXPECT_DOUBLE_EQ(w.OffsetPlot, 2.0); }},
      {"OffsetPlot: -25", "OffsetPlot: -20", [](Works& w) { EXPECT_DOUBLE_EQ(w.OffsetPlot, -2.0); }},
      {"MaxTemperature: 655", "MaxTemperature: 655", [](Works& w) { EXPECT_FLOAT_EQ(w.MaxTemperature, 65.5f); }},
      {"MaxTemperature2: 601", "MaxTemperature2: 601", [](Works& w) { EXPECT_FLOAT_EQ(w.MaxTemperature2, 60.1f); }},
      {"SWRescAutoTune: 150", "SWRescAutoTune: 150", [](Works& w) { EXPECT_FLOAT_EQ(w.SWRescAutoTune, 1.5f); }},
      {"SWRescAutoTune: 115", "SWRescAutoTune: 115", [](Works& w) { EXPECT_FLOAT_EQ(w.SWRescAutoTune, 1.15f); }},
      {"Peak_ValDec: 7", "Peak_ValDec: 7", [](Works&) { EXPECT_DOUBLE_EQ(PeakDecrement, 0.7); }},
      {"BTN_longpress_Time: 12", "BTN_longpress_Time: 12", [](Works&) { EXPECT_DOUBLE_EQ(TIME_LONG_PRESS, 1.2); }},
      {"TcpPort: 7777", "TcpPort: 7777", [](Works& w) { EXPECT_EQ(w.tcpPort, 7777); }},
      {"Divide: 4", "Divide: 4", [](Works& w) { EXPECT_EQ(w.Divide, 4); }},
      {"AutoTuneMode: 3", "AutoTuneMode: 1", [](Works& w) { EXPECT_EQ(w.AutoTuneMode, 3); }},
      {"NumBanco: 7", "NumBanco: 7", [](Works& w) { EXPECT_EQ(w.NumBanco, 7); }},
      {"PSpar2: abc", "PSpar2: 1000", [](Works& w) { EXPECT_EQ(w.PSpar2, 1000); }},
      {"Server: 10.1.2.3", "Server: 10.1.2.3", [](Works& w) { EXPECT_STREQ(w.serverAddr, "10.1.2.3"); }},
  };
  for (const ScaledCase& c : cases) {
    SCOPED_TRACE(c.line);
    writeSetupFile(std::string(c.line) + "\n");
    readSetup(w_.get());
    c.check(*w_.get());
    writeSetup(w_.get());
    std::string key = std::string(c.line).substr(0, std::string(c.line).find(':'));
    EXPECT_EQ(lineOf(key), c.writtenBack);
    EXPECT_EQ(lines(setupFile()).size(), 67u);
  }
}

TEST_F(SetupTest, LineRules) {
  // No blank after the colon: ignored. CR LF: same as LF. Unknown keys: skipped.
  writeSetupFile("EnableCAT:1\r\nEnableRead: 1\r\nBogus: 9\nEnableWrite: 1");
  readSetup(w_.get());
  EXPECT_EQ(w_->setup->EnableCAT, '0');
  EXPECT_EQ(w_->setup->EnableRead, '1');
  EXPECT_EQ(w_->setup->EnableWrite, '1');

  writeSetupFile("LinPort: /dev/ttyS1\r\n");
  readSetup(w_.get());
  EXPECT_STREQ(w_->setup->LinPort, "/dev/ttyS1");
}

TEST_F(SetupTest, FftFlagFollowsEnableFftAndEnable1600) {
  writeSetupFile("EnableFFT: 0\nEnable1600: 0\n");
  readSetup(w_.get());
  EXPECT_EQ(w_->setup->fftFlag, '1');
  writeSetupFile("Enable1600: 0\nEnableFFT: 0\n");
  readSetup(w_.get());
  EXPECT_EQ(w_->setup->fftFlag, '0');
  EXPECT_EQ(w_->setup->enaser, '1');
  EXPECT_EQ(w_->setup->enaCatSer, '1');
}

TEST_F(SetupTest, OverlongTextIsCutToItsFieldAndLogged) {
  std::vector<std::string> seen;
  platform::setLogObserver([&](const std::string& s) { seen.push_back(s); });
  writeSetupFile("Server: a-very-long-host-name.example\nPitch: " + std::string(300, '7') + "\n");
  readSetup(w_.get());
  platform::setLogObserver({});
  EXPECT_STREQ(w_->setup->Server, "a-very-long-hos");
  EXPECT_EQ(std::string(w_->setup->Pitch), std::string(9, '7'));
  EXPECT_THAT(seen, ::testing::Contains(HasSubstr("Server value too long")));
  // The remainder of the over-long Pitch line is not taken for another key.
  EXPECT_EQ(w_->setup->EnableKeyb, '1');
}

// Serial ports are best named by their stable links, which are long; a cut
// path would name another device or none, and be saved that way for good.
TEST_F(SetupTest, DevicePathsOfAnyLengthSurviveReadAndWrite) {
  const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
  const std::string deep = "/dev/" + std::string(4000, 'x');  // close to the longest path the system takes
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"LinPort", byId}, {"SerPort", byId + "-ser"}, {"CatPort", deep}, {"CatSerialPort", byId + "-cat"}};
  std::string file;
  for (const auto& [key, path] : cases) file += key + ": " + path + "\n";
  writeSetupFile(file + "EnableKeyb: 0\n");
  readSetup(w_.get());
  EXPECT_EQ(w_->setup->LinPort, cases[0].second);
  EXPECT_EQ(w_->setup->SerPort, cases[1].second);
  EXPECT_EQ(w_->setup->CatPort, cases[2].second);
  EXPECT_EQ(w_->setup->CatSerialPort, cases[3].second);
  EXPECT_EQ(w_->setup->EnableKeyb, '0');  // the long lines did not swallow the next one
  writeSetup(w_.get());
  for (const auto& [key, path] : cases) EXPECT_EQ(lineOf(key), key + ": " + path);
  EXPECT_EQ(lines(setupFile()).size(), 67u);
}

TEST_F(SetupTest, FailedRemountSkipsTheWrite) {
  platform::setSandboxAnswer(platform::BoardAction::RemountSettingsWritable, [](const platform::BoardCall&) {
    return platform::BoardResult{1, ""};
  });
  std::vector<std::string> seen;
  platform::setLogObserver([&](const std::string& s) { seen.push_back(s); });
  readSetup(w_.get());
  platform::setLogObserver({});
  platform::setSandboxAnswer(platform::BoardAction::RemountSettingsWritable, nullptr);
  EXPECT_FALSE(platform::fileExists("/opt/set/setup.txt"));
  EXPECT_THAT(seen, ::testing::Contains(HasSubstr("can't mount rw /opt/set/ error")));
}

TEST_F(SetupTest, ReadingLogsEverySetting) {
  std::vector<std::string> seen;
  platform::setLogObserver([&](const std::string& s) { seen.push_back(s); });
  writeSetupFile("Divide: 3\n");
  readSetup(w_.get());
  platform::setLogObserver({});
  EXPECT_THAT(seen, ::testing::Contains("I: EnableKeyb: -1-"));
  EXPECT_THAT(seen, ::testing::Contains("I: Pitch: -2500-"));
  EXPECT_THAT(seen, ::testing::Contains("I: TcpPort: -6666-"));
  EXPECT_THAT(seen, ::testing::Contains("I: Divide: -3- -3-"));
  EXPECT_THAT(seen, ::testing::Contains("I: NumBanco: -1-"));
  EXPECT_THAT(seen, ::testing::Contains("I: MaxTemperature: -600-"));
}

}  // namespace
