#include "amp/decode_reply.h"

#include <cstdio>
#include <atomic>
#include <cstring>
#include <string>

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "amp/link_retry.h"
#include "amp/link_state.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "state/works.h"

namespace {

constexpr long kPauseAfterReplyMs = 20;

std::string printable(const ReplyFields& r) { return std::string(r.all()) + ";"; }

void rejected(Works* w, const ReplyFields& r, const char* line) {
  platform::errPrintf("%s%s\n", line, printable(r).c_str());
  GestRetrayCMD(w);
  linkPause(kPauseAfterReplyMs);
}

// 32 bytes from 64 hexadecimal digits at position 6; bytes whose digits did
// not arrive (or are not hexadecimal) are left as they were.
void copyBlock(Works* w, const ReplyFields& r, uint8_t (&block)[32], const char* tag) {
  std::string hex;
  {
    std::lock_guard lock(w->ampTextMutex);
    for (size_t i = 0; i < 32; ++i) {
      auto b = r.hexByte(6 + 2 * i);
      if (!b) break;
      block[i] = *b;
    }
    char two[3];
    for (uint8_t b : block) {
      std::snprintf(two, sizeof two, "%02X", b);
      hex += two;
    }
  }
  platform::errPrintf("%s:%s\n", tag, hex.c_str());
}

void decodeEr(Works* w, const ReplyFields& r) {
  auto which = r.at(5);
  if (which == '0')
    copyBlock(w, r, w->eeBlock0, "EE0");
  else if (which == '1')
    copyBlock(w, r, w->eeBlock1, "EE1");
  else if (which == '2') {
    auto type = r.hexByte(6), variant = r.hexByte(8);
    if (type) w->ampType = *type;
    if (variant) {
      w->ampVariant = *variant;
      w->number_ofStep_meter_FWD = *variant == '1' ? 120 : 60;
    }
    platform::errPrintf("EE2: %x %x\n", w->ampType.load(), w->ampVariant.load());
  } else {
    platform::errPrintf("ER: runt payload %s\n", printable(r).c_str());
  }
}

void decodeGs(Works* w, const ReplyFields& r, const char* frame) {
  char gs[11] = {};
  size_t n = 0;
  while (n < 10 && r.at(2 + n)) {
    gs[n] = *r.at(2 + n);
    ++n;
  }
  {
    std::lock_guard lock(w->ampTextMutex);
    std::memcpy(w->gsString, gs, sizeof gs);
  }
  if (n < 10) platform::errPrintf("ERRORE!! Impostazioni Generali\n");
  platform::errPrintf("Impostazioni Generali : %s (%s)\n", gs, frame);
}

void decodeMr(Works* w, const ReplyFields& r, const char* frame) {
  platform::errPrintf("RESET MICRO: %s\n", frame);
  if (r.at(2) == '0') w->microResetArmed = 1;
  platform::errPrintf("RESET MICRO ----------------------------------  %x\n", w->microResetArmed.load());
}

// Replies other than status. False for a code not in the vocabulary.
bool decodeOther(Works* w, const ReplyFields& r, const char* frame) {
  std::string_view code = r.all().substr(0, 2);
  if (code == "VS") {
    std::lock_guard lock(w->ampTextMutex);
    std::memset(w->ampVersion, 0, sizeof w->ampVersion);
    for (size_t i = 0; i < 7 && r.at(3 + i); ++i) w->ampVersion[i] = *r.at(3 + i);
  } else if (code == "SA") {
    // The echo of an antenna already superseded by a newer request must not
    // overwrite it: that request goes out with the record's value.
    if (auto c = r.at(2); c && *c >= '1' && *c <= '9' && !w->cmdPath.pending(AmpSettingKey(kCmdAntenna)))
      w->antennaIndex = *c - '1';
  } else if (code == "FM") {
    if (auto f = r.decimal(3, 11); f && *f > 0) w->ampFreq = static_cast<int32_t>(*f);
  } else if (code == "FA" || code == "MT" || code == "FS" || code == "AT" || code == "MP" || code == "TS") {
  } else if (code == "CP") {
    w->errorsMuted = w->errorsMuted & ~1;
  } else if (code == "AB") {
    platform::errPrintf(">> ByPass Ampl: %s\n", frame);
    w->ampBypass = r.at(2) == '1' ? 1 : 0;
  } else if (code == "AN") {
    if (auto c = r.at(2); c && *c >= '0' && *c <= '9') w->anMode = *c - '0';
    if (w->AutoTuneMode & 0x10) w->AutoTuneMode = static_cast<uint8_t>(w->AutoTuneMode | 0x20);
  } else if (code == "FN") {
    platform::errPrintf("Ventola: %s\n", frame);
  } else if (code == "PS") {
    platform::errPrintf("Protezioni automatiche setted : %s\n", frame);
  } else if (code == "SF") {
    platform::errPrintf("Pilotaggio Relè : %s\n", frame);
  } else if (code == "SE") {
    platform::errPrintf("SERVICE ATTIVO!! : %s\n", frame);
  } else if (code == "GM") {
    platform::errPrintf("Impostazioni Generic mode : %s\n", frame);
  } else if (code == "MR") {
    decodeMr(w, r, frame);
  } else if (code == "GS") {
    decodeGs(w, r, frame);
  } else if (code == "ER") {
    decodeEr(w, r);
  } else {
    return false;
  }
  return true;
}

// A reply counts only for the command in flight: one carrying other letters
// is late (its command timed out and was sent again) or belongs to an earlier
// exchange. Taking it would shift every later acknowledgement by one.
bool forCommandInFlight(Works* w, std::string_view code) {
  const char c0 = code[0], c1 = code[1];
  return (c0 == w->lastCmdCode[0] && c1 == w->lastCmdCode[1]) ||
         (c0 == w->lastCmdEcho[0] && c1 == w->lastCmdEcho[1]);
}

void strayReply(Works* w, const std::string& frame) {
  ++w->linkStrays;
  static std::atomic<int64_t> lastLogMs{0};
  const int64_t now = platform::monotonicMs();
  if (now - lastLogMs >= 1000) {
    lastLogMs = now;
    platform::errPrintf("Linear: reply %s is not for %c%c, dropped (%u so far)\n", frame.c_str(),
                        w->lastCmdCode[0].load(), w->lastCmdCode[1].load(), w->linkStrays.load());
  }
  linkState = LinkState::Waiting;  // the silence count since the send runs on
}

}  // namespace

void DecodeCatCmd(Works* w, const char* text, int length) {
  if (!text || length < 3) return;
  ReplyFields r(std::string_view(text, static_cast<size_t>(length)));
  if (r.size() < 2) return;  // ";" within the first three characters
  std::string frame(r.all());
  frame += ';';
  if (!forCommandInFlight(w, r.all().substr(0, 2))) {
    strayReply(w, frame);
    return;
  }
  char third = r.at(2).value_or(';');
  if (third == '?' || third == '!' || third == '&') {
    rejected(w, r, "---------------------------------------CMD Errato:");
    return;
  }
  w->cmdPath.confirmInFlight();
  if (r.all().substr(0, 2) == "ST") {
    DecodeStatusReply(w, r);
    return;
  }
  if (!decodeOther(w, r, frame.c_str())) {
    rejected(w, r, "---------------------------------------cmd non riconosciuto:");
    return;
  }
  NextCmdPriority(w, kCmdStatus);
  linkPause(kPauseAfterReplyMs);
}
