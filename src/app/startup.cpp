#include "app/startup.h"

#include <opus/opus.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "amp/fan.h"
#include "amp/init_micro_cmd.h"
#include "app/load_thread.h"
#include "app/log_thread.h"
#include "app/thread_table.h"
#include "app/writer_thread.h"
#include "display/draw.h"
#include "display/framebuffer.h"
#include "display/gpio_thread.h"
#include "display/key_handler.h"
#include "display/keyboard.h"
#include "display/touch.h"
#include "display/png.h"
#include "display/text.h"
#include "links/ext_io.h"
#include "remote/audio.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/signals.h"
#include "state/amp_fields.h"
#include "state/fft_record.h"
#include "state/globals.h"
#include "state/init_globals.h"
#include "state/setup.h"
#include "state/setup_record.h"
#include "state/tiny_cmd.h"
#include "state/works.h"
#include "tables/antenna_tables.h"
#include "tables/config_table.h"
#include "tables/filter_table.h"
#include "links/remote_presence.h"
#include "ui/button_bar.h"
#include "ui/key_dispatch.h"
#include "ui/menu.h"
#include "ui/network_settings.h"
#include "ui/remote_checks.h"
#include "ui/timer.h"

using platform::kErr;
using platform::kInfo;

namespace {

// Sub-records that main owns for the whole run.
struct MainOwned {
  SetupRecord setup{};
  std::mutex connMutex, wsMutex, serMutex;
  std::vector<std::atomic<int32_t>> fftA = std::vector<std::atomic<int32_t>>(kFftBins);
  std::vector<std::atomic<int32_t>> fftB = std::vector<std::atomic<int32_t>>(kFftBins);
  FftRecord fftRec{};
  std::vector<uint8_t> serA = std::vector<uint8_t>(512), serB = std::vector<uint8_t>(512);
};

void showPicture(Works* w, const char* name) {
  std::lock_guard lock(w->fb->drawLock);
  std::snprintf(w->pngName, sizeof w->pngName, "%s", name);
  getPng(w, 1);
  fbSetBack(w->fb);
  fbRealize(w->fb);
}

void loadFonts() {
  const char* dejavu = "/usr/share/fonts/truetype/dejavu/";
  struct Slot {
    int slot;
    const char* dir;
    const char* file;
    int size;
  } slots[] = {{0, dejavu, "DejaVuSans-Bold.ttf", 24},    {1, dejavu, "DejaVuSans.ttf", 22},
               {2, "/opt/fonts/", "PTS55F_W.ttf", 22},    {4, "/opt/fonts/", "PTS75F_W.ttf", 24},
               {5, dejavu, "DejaVuSans.ttf", 8},          {6, dejavu, "DejaVuSans.ttf", 14},
               {7, dejavu, "DejaVuSans-Oblique.ttf", 24}, {8, dejavu, "DejaVuSans.ttf", 20},
               {9, dejavu, "DejaVuSans.ttf", 30},         {10, dejavu, "DejaVuSans.ttf", 18},
               {11, dejavu, "DejaVuSans-Bold.ttf", 21}};
  for (const Slot& s : slots) TTFLoad((std::string(s.dir) + s.file).c_str(), s.size, s.slot);
}

void createOpus(Works* w) {
  if (w->audioCompress <= 0) return;
  int err = 0;
  w->opusEncoder = opus_encoder_create(w->audioRate, 2, OPUS_APPLICATION_AUDIO, &err);
  if (err != OPUS_OK || !w->opusEncoder) {
    platform::sysLog(kErr, "failed to create an encoder: %s", opus_strerror(err));
    w->opusEncoder = nullptr;
    w->audioCompress = 0;
    return;
  }
  err = opus_encoder_ctl(w->opusEncoder, OPUS_SET_BITRATE(w->audioCompress.load()));
  if (err < 0) {
    platform::sysLog(kErr, "failed to set bitrate: %s", opus_strerror(err));
    opus_encoder_destroy(w->opusEncoder);
    w->opusEncoder = nullptr;
    w->audioCompress = 0;
    return;
  }
  w->opusDecoder = opus_decoder_create(w->audioRate, 2, &err);
  if (err != OPUS_OK || !w->opusDecoder) {
    platform::sysLog(kErr, "failed to create decoder: %s", opus_strerror(err));
    opus_encoder_destroy(w->opusEncoder);
    w->opusEncoder = nullptr;
    w->opusDecoder = nullptr;
    w->audioCompress = 0;
  }
}

void destroyOpus(Works* w) {
  if (w->audioCompress <= 0) return;
  if (w->opusEncoder) opus_encoder_destroy(w->opusEncoder);
  if (w->opusDecoder) opus_decoder_destroy(w->opusDecoder);
  w->opusEncoder = nullptr;
  w->opusDecoder = nullptr;
}

// Reading the setup file restores every default, the protection thresholds
// included; the thresholds chosen from the band table just before must reach
// the amplifier with the "TS" already queued, so they are kept.
void readSetupKeepingThresholds(Works* w) {
  const int pwin = w->sogliaPWIN, fwd = w->sogliaFWD, refl = w->sogliaREFL, corrente = w->sogliaCorrente;
  const int idx = w->sogliaIdx;
  readSetup(w);
  w->sogliaPWIN = pwin;
  w->sogliaFWD = fwd;
  w->sogliaREFL = refl;
  w->sogliaCorrente = corrente;
  w->sogliaIdx = idx;
}

void startUp(Works* w, MainOwned& owned) {
  SetupRecord& s = *w->setup;
  // First of all, so no save of the run (not even the setup file written for
  // a first start) is done by a thread that has other work.
  StartWriterThread();
  // 3-4: defaults, then the configuration files.
  InitGlobalVar(w);
  StepTune1 = 8;
  CntIP = CntDNS = CntNetMask = CntGateway = 3;
  ReadConfigFile(w);
  InitMicroCmd(w);
  ReadVentolaFile(w);
  LoadTabFiltri(w);
  readSetupKeepingThresholds(w);
  LoadAllBankTable(w, w->NumBanco);
  // 5-7.
  w->bandRowIdx = -1;
  platform::errPrintf("ModeWorkIdx %i \n", w->ModeWorkIdx.load());
  for (auto& v : owned.fftA) v = 0;
  for (auto& v : owned.fftB) v = 0;
  owned.fftRec = {owned.fftA.data(), owned.fftB.data()};
  w->fftRec = &owned.fftRec;
  ReadLanParam(w);
  loadFonts();
  // 8-10: the button thread and the amplifier link.
  PostTinyCmd(w, 197);
  SetKeyHandler(DecodeTasto);
  if (s.EnableGPIO == '1') thrGPIO = std::thread(GPIO, w);
  StartThreadLinear(w);
  platform::sleepMs(1000);
  waitVYR = 10;
  w->lastKeyTime = platform::wallSeconds();
  // 11-12: start picture and the loading countdown, while the amplifier's
  // identification replies arrive.
  showPicture(w, w->ampVariant == '1' ? "start120" : "start");
  startInitThread = 1;
  thInit = std::thread(LoadThread, w);
  platform::sleepWhileRunning((waitVYR + 1) * 1000L, w->running);
  startInitThread = 0;
  // 13-16.
  thAggFw = std::thread(AggFWThread, w);
  showPicture(w, "statusB");
  InitMenuLumo(w);
  LoadButtons(w);
  createOpus(w);
  CheckAudioSettings(w);
  // The setup list checks the real receiver, CAT port and codec from now on.
  static constexpr RemoteChecks kRemoteChecks{Find_Remote_Settings, Get_AudioVYR};
  SetRemoteChecks(&kRemoteChecks);
  // 17-21: the remaining threads by their flags.
  if (s.EnableKeyb == '1') thrKey = std::thread(keyb, w);
  // The touch readers press the soft buttons, so they start with the keys.
  if (s.EnableSpi == '1') thrSpi = std::thread(spi, w);
  if (s.EnableTouch == '1') thrTouch = std::thread(touch, w);
  StartThreadSoket(w);
  StartThreadVYR(w);
  if (s.EnableRead == '1' || s.EnableWrite == '1' || s.EnableCAT == '1' || s.EnableFFT == '1') {
    ExitThreadRemote(w);
    platform::sleepWhileRunning(2000, w->running);
    StartThreadCommRemote(w);
    platform::sleepWhileRunning(2000, w->running);
    w->remoteStarted = 1;
  }
  StartThreadCATserial(w);
  if (s.EnableTime == '1') thrTime = std::thread(timer, w);
}

void shutDown(Works* w) {
  platform::errPrintf("Close..\n");
  {
    std::lock_guard lock(w->fb->drawLock);
    std::snprintf(w->pngName, sizeof w->pngName, "%s", "start");
    getPng(w, 1);
    fbSetBack(w->fb);
    putString(9, 330, 400, "Error! Close Program! Restart hw.", 255, 255, 255, w->fb, 0, 0, 0, 0);
    fbRealize(w->fb);
  }
  platform::sleepMs(2000);
  platform::sysLog(kInfo, "Communicator operations end");
  JoinThreads(w);
  // Last, once no thread is left to queue a save: nothing queued is lost.
  StopWriterThread();
  destroyOpus(w);
  platform::errPrintf("Closed!\n");
}

}  // namespace

namespace {

// The log writer runs for the whole of RunProgram, whichever way it returns;
// stopping it writes the lines still queued.
struct LogWriterForTheRun {
  LogWriterForTheRun() { StartLogThread(); }
  ~LogWriterForTheRun() { StopLogThread(); }
  LogWriterForTheRun(const LogWriterForTheRun&) = delete;
  LogWriterForTheRun& operator=(const LogWriterForTheRun&) = delete;
};

}  // namespace

int RunProgram() {
  platform::openSystemLog();
  LogWriterForTheRun logWriter;
  platform::errPrintf("START Main ----------------------------------------------------------------\n");
  platform::errPrintf("VYR ART version %s\n", kVersion);
  platform::sysLog(kInfo, "VYR ART version %s", kVersion);

  FrameBuffer* fb = fbInit();
  if (!fb) {
    platform::errPrintf("hfamp: cannot open the display (/dev/fb0); see the system log. Stopping.\n");
    return 2;
  }
  auto works = std::make_unique<Works>();
  auto owned = std::make_unique<MainOwned>();
  Works* w = works.get();
  std::snprintf(w->version, sizeof w->version, "%s", kVersion);
  w->fb = fb;
  w->setup = &owned->setup;
  w->connMutexPtr = &owned->connMutex;
  w->mutexPtr = &owned->wsMutex;
  w->serMutexPtr = &owned->serMutex;
  w->serBufferA = owned->serA.data();
  w->serBufferB = owned->serB.data();
  w->running = 1;
  InstallThreadStarter(w);
  platform::installStopSignals(&w->running);

  startUp(w, *owned);
  while (w->running != 0) platform::sleepMs(1000);
  shutDown(w);
  fbClose(fb);
  return 0;
}
