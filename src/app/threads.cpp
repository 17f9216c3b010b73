#include <map>
#include <memory>
#include <mutex>

#include "amp/errors.h"
#include "amp/linear.h"
#include "app/thread_table.h"
#include "display/gpio_thread.h"
#include "display/keyboard.h"
#include "links/cat_relay.h"
#include "links/cat_serial.h"
#include "links/ext_io.h"
#include "links/vyr_read.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "remote/audio.h"
#include "remote/ws_client.h"
#include "remote/ws_server.h"
#include "state/setup.h"
#include "state/setup_record.h"
#include "state/thread_starter.h"
#include "state/tiny_cmd.h"
#include "state/works.h"
#include "ui/background_job.h"

std::thread thrGPIO, thrLin, thInit, thAggFw, thrKey, thrWsock, thrSer, thrCatSer, thrTime, thrLeggi, thrScrivi, thrCat,
    thrFFT, thrSpi, thrTouch;

namespace {

// Threads are started and stopped from several threads (start-up, menus, the
// work-mode switch, the WebSocket threads); their handles change under this lock.
std::recursive_mutex gRemoteMutex;

// Whether each started thread's function is still running.
std::map<const std::thread*, std::shared_ptr<std::atomic<bool>>> gAlive;

// Joins a thread that has been asked to stop, unless it is the caller.
void joinIfStarted(std::thread& t) {
  if (t.joinable() && t.get_id() != std::this_thread::get_id()) t.join();
}

bool stillRunning(const std::thread& handle) {
  auto it = gAlive.find(&handle);
  return it != gAlive.end() && it->second && it->second->load();
}

// Starts `fn` on `handle`. An earlier run that was asked to stop gets a second
// to end and is joined; one that never saw its flag leave '1' (it went back
// to '1' too soon) is still doing the job, so no second copy is started.
template <typename Fn>
void startThread(std::thread& handle, Fn fn, Works* w) {
  std::lock_guard lock(gRemoteMutex);
  if (handle.joinable()) {
    for (int i = 0; i < 100 && stillRunning(handle); ++i) platform::sleepMs(10);
    if (stillRunning(handle)) return;
    joinIfStarted(handle);
  }
  auto alive = std::make_shared<std::atomic<bool>>(true);
  gAlive[&handle] = alive;
  handle = std::thread([fn, w, alive] {
    fn(w);
    *alive = false;
  });
}

}  // namespace

void StartThreadLinear(Works* w) {
  if (w->setup->EnableLinear == '1') startThread(thrLin, Linear, w);
}

void StartThreadSoket(Works* w) {
  if (w->setup->WebSocket == '1') {
    platform::errPrintf(">>>>>>>>>> SOCKET SERVER start\n");
    startThread(thrWsock, Wsocket, w);
  } else if (w->setup->WebSocket == '2') {
    platform::errPrintf(">>>>>>>>>> SOCKET CLIENT start\n");
    startThread(thrWsock, Wclient, w);
  }
}

void StartThreadVYR(Works* w) {
  if (w->setup->enaser != '1') return;
  platform::errPrintf("VYRread start\n");
  startThread(thrSer, Serial, w);
}

void StartThreadCATserial(Works* w) {
  if (w->setup->enaCatSer == '1') startThread(thrCatSer, CatSerial, w);
}

void StartThreadAudioWrite(Works* w) {
  if (w->setup->EnableWrite != '1') return;
  platform::errPrintf("Th_scrivi start\n");
  startThread(thrScrivi, th_scrivi, w);
}

void StartThreadAudioRead(Works* w) {
  if (w->setup->EnableRead != '1') return;
  platform::errPrintf("Th_leggi start\n");
  startThread(thrLeggi, th_leggi, w);
}

void StartThreadCAT(Works* w) {
  if (w->setup->EnableCAT != '1') return;
  platform::errPrintf("Cat.c start\n");
  startThread(thrCat, Cat, w);
}

void StartVyrReadFFT(Works* w) {
  if (w->setup->EnableFFT == '1') startThread(thrFFT, VYRRead, w);
}

void StartThreadCommRemote(Works* w) {
  {
    std::lock_guard lock(gRemoteMutex);
    w->remoteActive = 0;
    SetupRecord& s = *w->setup;
    struct Remote {
      SetupFlag& flag;
      void (*start)(Works*);
    } remotes[] = {{s.EnableWrite, StartThreadAudioWrite},
                   {s.EnableRead, StartThreadAudioRead},
                   {s.EnableCAT, StartThreadCAT},
                   {s.EnableFFT, StartVyrReadFFT}};
    for (Remote& r : remotes) {
      if (r.flag != '0') continue;
      r.flag = '1';
      r.start(w);
    }
  }
  writeSetup(w);
  PostTinyCmd(w, 149);
}

// Takes a handle out from under the lock, so joining never holds it.
static std::thread takeHandle(std::thread& handle) {
  std::lock_guard lock(gRemoteMutex);
  return std::move(handle);
}

// Joins a handle taken out; a thread stopping itself is detached instead.
static bool finish(std::thread t) {
  if (!t.joinable()) return false;
  if (t.get_id() == std::this_thread::get_id()) {
    t.detach();
    return false;
  }
  t.join();
  return true;
}

void ExitThreadRemote(Works* w) {
  SetupRecord& s = *w->setup;
  s.EnableWrite = '0';
  s.EnableRead = '0';
  s.EnableCAT = '0';
  s.EnableFFT = '0';
  platform::sleepMs(500);
  // The threads end by themselves on seeing their flag; wait for them so a
  // later start never finds an old instance still running.
  for (std::thread* t : {&thrScrivi, &thrLeggi, &thrCat, &thrFFT}) finish(takeHandle(*t));
  for (int code : {kErrAudioRead, kErrAudioWrite, kErrRemoteUsb, kErrRemoteCat}) DeleteErrore(w, code);
  writeSetup(w);
  PostTinyCmd(w, 165);
  platform::errPrintf(">>>>>>>>>>>>>>>>>>>>>>>>> REMOTE STOP \n");
}

void JoinThreads(Works* w) {
  struct Joined {
    std::thread& handle;
    const char* line;
  } order[] = {{thrKey, "Communicator joined Key end"},          {thrFFT, "Communicator joined FFT end"},
               {thrLeggi, "Communicator joined Touch end"},      {thrScrivi, "Communicator joined Spi end"},
               {thrWsock, "Communicator joined Wsocket end"},    {thrCat, "Communicator joined Cat end"},
               {thrCatSer, "Communicator joined CatSerial end"}, {thrSer, "Communicator joined Serial end"},
               {thrLin, "Communicator joined Linear end"},       {thrTime, "Communicator joined Time end"},
               {thrSpi, "Communicator joined touch SPI end"},   {thrTouch, "Communicator joined touch USB end"},
               {thrGPIO, "Communicator joined GPIO end"}};
  for (Joined& j : order)
    if (finish(takeHandle(j.handle))) platform::sysLog(platform::kInfo, "%s", j.line);
  // A job the keys started (an update, a network restart) is not cut short.
  WaitBackgroundJobs();
  // The countdown and the marker removal are not joined by name; make sure
  // neither outlives main.
  finish(takeHandle(thInit));
  finish(takeHandle(thAggFw));
}

namespace {

void startLink(Works* w, LinkThread which) {
  switch (which) {
    case LinkThread::ExtIo:
      StartThreadVYR(w);
      break;
    case LinkThread::CatSerial:
      StartThreadCATserial(w);
      break;
    case LinkThread::AudioWrite:
      StartThreadAudioWrite(w);
      break;
    case LinkThread::AudioRead:
      StartThreadAudioRead(w);
      break;
    case LinkThread::CatRelay:
      StartThreadCAT(w);
      break;
    case LinkThread::Spectrum:
      StartVyrReadFFT(w);
      break;
    case LinkThread::WebSocket:
      StartThreadSoket(w);
      break;
  }
}

constexpr ThreadStarter kProgramStarter{startLink, StartThreadCommRemote, ExitThreadRemote};

}  // namespace

void InstallThreadStarter(Works* w) { w->threadStarter = &kProgramStarter; }
