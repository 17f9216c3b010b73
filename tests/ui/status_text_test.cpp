// The status text a peer receives: every byte position, and that no value,
// however wide, moves a field or writes past the text.
#include "ui/status_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "amp/errors.h"
#include "state/init_globals.h"
#include "ui/draw_parameters.h"
#include "works_fixture.h"

namespace {

class StatusText : public WorksTest {
 protected:
  void SetUp() override {
    WorksTest::SetUp();
    InitGlobalVar(w_.get());
    addBand(0, "40m", 7000000, 7200000);
    addBand(1, "20m", 14000000, 14350000);
    addBand(2, "20mX", 14000000, 14350000);  // overlaps: the first row names it
    w_->bandRows = 3;
  }
  void addBand(int i, const char* name, int32_t start, int32_t stop) {
    BandRow& r = w_->bandTab[i];
    std::snprintf(r.name, sizeof r.name, "%s", name);
    r.start = start;
    r.stop = stop;
  }
  // The text, with guard bytes after it that must stay untouched.
  std::string build() {
    char buf[kStatusTextSize + 16];
    std::memset(buf, '#', sizeof buf);
    CreaBufferDiStato(w_.get(), buf);
    for (size_t i = kStatusTextSize; i < sizeof buf; ++i) EXPECT_EQ(buf[i], '#') << "byte " << i << " overwritten";
    EXPECT_EQ(buf[kStatusTextSize - 1], '\0');
    return std::string(buf, kStatusTextSize - 1);
  }
};

TEST_F(StatusText, EveryFieldInPlace) {
  w_->freq = 14070000;
  w_->ModeWorkIdx = 1;
  w_->Attenuator = 2;
  w_->antennaIndex = 1;
  w_->ampBypass = 1;
  w_->TUNEenabled = 0;
  w_->atuBypass = 1;
  w_->tunerRunning = 1;
  w_->swrValue = 1.5f;
  w_->pwrFwd = 45.25f;
  w_->pwrIn = 2.5f;
  w_->paTemp1 = 31.2f;
  w_->paTemp2 = 40.6f;
  w_->ampCurrentRaw = 2048;  // 7.025 A
  w_->NumBanco = 7;
  const std::string s = build();
  ASSERT_EQ(s.size(), 52u);
  EXPECT_EQ(s.substr(0, 4), "20m ");
  EXPECT_EQ(s[4], '1');
  EXPECT_EQ(s[5], '2');
  EXPECT_EQ(s[6], '1');
  EXPECT_EQ(s[7], '1');
  EXPECT_EQ(s[8], 'B');
  EXPECT_EQ(s[9], '1');
  EXPECT_EQ(s.substr(10, 6), "001.50");
  EXPECT_EQ(s.substr(16, 6), "045.25");
  EXPECT_EQ(s.substr(22, 6), "002.50");
  EXPECT_EQ(s.substr(28, 4), "40.6");
  EXPECT_EQ(s.substr(32, 4), " 0.0");  // no supply reading yet
  EXPECT_EQ(s.substr(36, 4), "07.0");
  EXPECT_EQ(s.substr(40, 2), "07");
  EXPECT_EQ(s[42], '0');
  EXPECT_EQ(s.substr(43, 8), "00000000");
  EXPECT_EQ(s[51], ';');
}

TEST_F(StatusText, OutsideEveryBandGenericNoErrors) {
  w_->freq = 27000000;
  w_->ModeWorkIdx = 0;
  const std::string s = build();
  EXPECT_EQ(s.substr(0, 5), "----0");
  EXPECT_EQ(s[42], '0');
}

TEST_F(StatusText, SourceDigitAndTunerLetter) {
  struct Case {
    int mode;
    uint8_t tuneEnabled;
    uint8_t atuBypass;
    char digit, letter;
  } cases[] = {{-1, 0, 0, '0', 'T'}, {0, 0, 1, '0', 'B'}, {2, 0, 0, '2', 'T'}, {1, 0x80, 1, '1', 'N'}};
  for (const Case& c : cases) {
    w_->ModeWorkIdx = c.mode;
    w_->TUNEenabled = c.tuneEnabled;
    w_->atuBypass = c.atuBypass;
    const std::string s = build();
    EXPECT_EQ(s[4], c.digit) << c.mode;
    EXPECT_EQ(s[8], c.letter) << c.mode;
  }
}

TEST_F(StatusText, NewestErrorPlusOne) {
  w_->errorsMuted = 0;
  AddErrore(w_.get(), kErrHighSwr);
  AddErrore(w_.get(), kErrExtIo);
  EXPECT_EQ(build()[42], static_cast<char>(kErrExtIo + 1));
  DeleteErrore(w_.get(), kErrExtIo);
  EXPECT_EQ(build()[42], static_cast<char>(kErrHighSwr + 1));
}

TEST_F(StatusText, OversizedValuesStayInTheirFields) {
  w_->freq = 7100000;
  w_->swrValue = 12345678.0f;
  w_->pwrFwd = 1e30f;
  w_->pwrIn = -1e30f;
  w_->paTemp1 = 1e20f;
  w_->ampCurrentRaw = 1e25f;
  w_->NumBanco = 123456;
  const std::string s = build();
  EXPECT_EQ(s.substr(0, 4), "40m ");
  EXPECT_EQ(s.substr(10, 6), "123456");
  EXPECT_EQ(s.substr(40, 2), "12");
  EXPECT_EQ(s.substr(43, 8), "00000000");
  EXPECT_EQ(s[51], ';');
}

TEST_F(StatusText, MainScreenBandBoxNamesTheLaterRowAndNopa) {
  struct Case {
    uint32_t freq;
    const char* box;
    const char* status;
  } cases[] = {{14070000, "Band:20mX", "20m "},
               {7100000, "Band:40m", "40m "},
               {27000000, "NOPA", "----"},
               {3600000, "Band:---", "----"}};
  for (const Case& c : cases) {
    w_->freq = c.freq;
    char box[32];
    FormatBandBox(w_.get(), box, sizeof box);
    EXPECT_STREQ(box, c.box) << c.freq;
    EXPECT_EQ(build().substr(0, 4), c.status) << c.freq;
  }
}

TEST_F(StatusText, TemperatureBoxInEitherUnit) {
  w_->paTemp1 = 25;
  w_->paTemp2 = 100;
  char box[96];
  FormatTempBox(w_.get(), box, sizeof box);
  EXPECT_STREQ(box, "PA Temp1: 25.0°C      Temp2: 100.0°C");
  w_->TempMode = 1;
  FormatTempBox(w_.get(), box, sizeof box);
  EXPECT_STREQ(box, "PA Temp1: 77.0°F      Temp2: 212.0°F");
}

}  // namespace
