#include "state/setup.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/log.h"
#include "state/init_globals.h"
#include "state/outbox.h"
#include "state/remote_settings.h"
#include "state/setup_keys.h"
#include "state/works.h"

namespace {

using platform::kErr;
using platform::kInfo;

void setText(std::span<char> field, const char* value) {
  std::strncpy(field.data(), value, field.size() - 1);
  field[field.size() - 1] = '\0';
}

// Every byte of the record starts as '1'; the keyed settings then get their
// defaults. Bytes without a key or explicit default (enaser, enaCatSer) stay '1'.
void fillRecordDefaults(SetupRecord& s) {
  for (const SetupKey& key : setupKeys()) {
    if (key.kind == SetupKind::Flag)
      key.flag(s) = '1';
    else
      std::memset(key.text(s).data(), 0, key.text(s).size());
  }
  s.enaser = '1';
  s.fftFlag = '1';
  s.enaCatSer = '1';
  setText(s.Pitch, "2500");
  setText(s.Quality, "100");
  setText(s.AudioIn, "hw:1");
  setText(s.InChannels, "1");
  setText(s.AudioCompress, "0");
  setText(s.Multiplier, "2");
  setText(s.AudioOut, "hw:1");
  setText(s.Server, "127.0.0.1");
  setText(s.TcpPort, "6666");
  setText(s.CatPort, kDefaultCatPort);
  setText(s.SerPort, kDefaultSerPort);
  setText(s.LinPort, kDefaultLinPort);
  setText(s.CatSerialPort, kDefaultCatSerialPort);
  setText(s.RemoteTxLimit, "180");
  setText(s.ListenAddress, "0.0.0.0");
  for (SetupFlag* f :
       {&s.EnableSpi, &s.EnableTouch, &s.DelayedTouch, &s.EnableCAT, &s.EnableRead, &s.EnableWrite, &s.EnablePwrPeak,
        &s.EnableFFT, &s.TempMode, &s.FreqSensIn, &s.Attenuator, &s.AttenuatorTune, &s.ViewTimeStr, &s.ViewTemp,
        &s.AutoTuneMaxCicli, &s.PowerUnits, &s.SaveScreenIdx, &s.AutoTuneMode, &s.TuneSearch})
    *f = '0';
}

// Stores the value of one "Key: value" line; an over-long text is cut to its field.
void takeValue(Works& w, const SetupKey& key, const char* value) {
  SetupRecord& s = *w.setup;
  if (key.kind == SetupKind::Flag) {
    key.flag(s) = value[0];
  } else {
    std::span<char> field = key.text(s);
    if (std::strlen(value) >= field.size())
      platform::sysLog(kErr, "setup: %s value too long, cut to %zu characters", key.name, field.size() - 1);
    setText(field, value);
  }
  if (key.fromText) key.fromText(w, s);
}

void logSetting(Works& w, const SetupKey& key) {
  SetupRecord& s = *w.setup;
  if (key.kind == SetupKind::Flag)
    platform::sysLog(kInfo, "%s: -%c-", key.name, key.flag(s).load());
  else if (std::strcmp(key.name, "TcpPort") == 0)
    platform::sysLog(kInfo, "TcpPort: -%d-", w.tcpPort.load());
  else if (std::strcmp(key.name, "Divide") == 0)
    platform::sysLog(kInfo, "Divide: -%s- -%d-", s.Divide, w.Divide.load());
  else if (std::strcmp(key.name, "TUNEenabled") == 0)
    platform::sysLog(kInfo, "TUNEenabled: -%i-", w.TUNEenabled.load());
  else if (std::strcmp(key.name, "NumBanco") == 0)
    platform::sysLog(kInfo, "NumBanco: -%i-", w.NumBanco.load());
  else
    platform::sysLog(kInfo, "%s: -%s-", key.name, key.text(s).data());
}

// False when the line starts with no key followed by ": ".
bool parseLine(Works& w, char* line) {
  size_t len = std::strlen(line);
  if (len > 0 && line[len - 1] == '\n') line[--len] = '\0';
  if (len > 0 && line[len - 1] == '\r') line[--len] = '\0';
  for (const SetupKey& key : setupKeys()) {
    size_t n = std::strlen(key.name);
    if (std::strncmp(line, key.name, n) == 0 && line[n] == ':' && line[n + 1] == ' ') {
      takeValue(w, key, line + n + 2);
      return true;
    }
  }
  return false;
}

bool blank(const char* line) { return line[std::strspn(line, " \t\r\n")] == '\0'; }

std::string formatFile(Works& w) {
  SetupRecord& s = *w.setup;
  std::string out;
  for (const SetupKey& key : setupKeys()) {
    if (key.toText) key.toText(w, s);
    out += key.name;
    out += ": ";
    if (key.kind == SetupKind::Flag)
      out += key.flag(s).load();
    else
      out += key.text(s).data();
    out += '\n';
  }
  return out;
}

// Several threads save settings (menus, remote start and stop, tuning): one
// writer at a time keeps the record and the file consistent.
std::mutex gWriteMutex;

}  // namespace

void initSetup(Works* w) {
  InitGlobalVar(w);
  std::snprintf(w->wsPassword, sizeof w->wsPassword, "%s", kWsPassword);
  fillRecordDefaults(*w->setup);
  // Number fields start as the text of their default values.
  for (const SetupKey& key : setupKeys())
    if (key.toText) key.toText(*w, *w->setup);
  std::snprintf(w->serverAddr, sizeof w->serverAddr, "%s", w->setup->Server);
}

void ParseSetupText(Works* w, const std::string& text) {
  // Room for a device path of full length after its key; shorter fields cut
  // what does not fit. The rest of a longer line is dropped: only its start
  // can hold a key.
  std::vector<char> buffer(kSetupPathField + 64);
  int number = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    ++number;
    const size_t n = std::min(end - start, buffer.size() - 1);
    std::memcpy(buffer.data(), text.data() + start, n);
    buffer[n] = '\0';
    start = end + 1;
    // A NUL inside the line ends it, as it ended the C string it was read into.
    if (!parseLine(*w, buffer.data()) && !blank(buffer.data()))
      platform::errPrintf("setup.txt line %d holds no setting: skipped\n", number);
  }
}

void readSetup(Works* w) {
  initSetup(w);
  platform::FileRead file = FileOutbox().read(kSetupPath);
  if (file.status == platform::FileRead::Status::Failed) {
    // The settings are there but cannot be read now: run on the defaults and
    // leave the file alone, never replacing the user's settings with them.
    FileOutbox().refuseWrites(kSetupPath);
    platform::errPrintf("Setup not readable (%s): defaults in use, file kept\n", std::strerror(file.error));
    platform::sysLog(kErr, "can't read /opt/set/setup.txt error %d", file.error);
    LoadRemoteSettings(w);
    return;
  }
  FileOutbox().allowWrites(kSetupPath);
  if (!file.ok()) {
    platform::errPrintf("Init Setup! ");
    writeSetup(w);
    platform::sysLog(kErr, "can't open /opt/set/setup.txt");
    LoadRemoteSettings(w);
    return;
  }
  ParseSetupText(w, file.bytes);
  for (const SetupKey& key : setupKeys()) logSetting(*w, key);
  LoadRemoteSettings(w);
}

int writeSetup(Works* w) {
  // Every bank change, menu step and remote start saves the whole file; a
  // burst of them is written once a second with the latest settings, not once
  // each (the card wears, and each write remounts the partition).
  static const bool spaced = (FileOutbox().setSpacingMs(kSetupPath, kSetupSpacingMs), true);
  (void)spaced;
  // The record's text is formatted here, under the lock, and handed to the
  // writer: the caller (a menu key, a remote peer's bank change, the tuning
  // code) never waits on the card.
  std::lock_guard lock(gWriteMutex);
  FileOutbox().replace(kSetupPath, formatFile(*w), "can't open /opt/set/setup.txt");
  return 0;
}
