#include "display/tiny_link.h"

#include "state/tiny_cmd.h"
#include "state/works.h"
#include "platform/log.h"

uint16_t TinyExchange(TinyWire& wire, uint8_t code) {
  for (int bit = 7; bit >= 0; --bit) {
    wire.setClock(true);
    wire.waitUs(kTinyHalfBitUs);
    // The data changes while the clock is high; the microcontroller takes it
    // on the falling edge.
    wire.setData((code >> bit) & 1);
    wire.waitUs(kTinyHalfBitUs);
    wire.setClock(false);
    wire.waitUs(kTinyHalfBitUs);
  }
  wire.dataAsInput(true);
  wire.setClock(true);
  wire.waitUs(kTinyTurnaroundUs);
  uint16_t reply = 0;
  for (int bit = 0; bit < 12; ++bit) {
    wire.setClock(false);
    wire.waitUs(kTinyHalfBitUs);
    reply = static_cast<uint16_t>((reply << 1) | (wire.readData() ? 1 : 0));
    wire.setClock(true);
    wire.waitUs(kTinyHalfBitUs);
  }
  wire.dataAsInput(false);
  wire.setClock(true);
  wire.setData(true);
  return reply;
}

void ScheduleTinyExchange(Works* w) {
  if (w->tinyCmdActive != kTinyIdle) return;
  if (w->tinyPollDelay > 0) {
    --w->tinyPollDelay;
    return;
  }
  w->tinyPollDelay = kTinyPollDelay;
  // A posted command goes before the readings: its poster may be waiting to
  // post the next one.
  if (const uint8_t code = TakeTinyCmd(w); code != 0) {
    platform::errPrintf("CMD TINY %0x\n", code);
    w->tinyCmdActive = code;
    return;
  }
  static constexpr uint8_t kReadings[] = {kTinyRead12V, kTinyRead15V, kTinyReadSupply, kTinyReadSupply};
  const uint8_t idx = w->tinyPollIdx;
  if (idx < 4) {
    w->tinyCmdActive = kReadings[idx];
    w->tinyPollIdx = static_cast<uint8_t>(idx + 1);
  } else {
    w->tinyPollIdx = 0;
  }
}

void RunTinyExchange(Works* w, TinyWire& wire) {
  const uint8_t code = w->tinyCmdActive;
  if (code == kTinyIdle) return;
  const uint8_t reply = static_cast<uint8_t>(TinyExchange(wire, code) & 0xFF);
  switch (code & 3) {
    case 0:
      w->tinyReply0 = reply;
      break;
    case 1:
      w->tinyReply1 = reply;
      break;
    case 2:
      w->tinyReply2 = reply;
      break;
    default:
      w->tinyReply3 = reply;
      break;
  }
  w->tinyCmdActive = kTinyIdle;
}
