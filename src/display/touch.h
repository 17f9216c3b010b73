#pragma once
// The touch-panel readers, one thread body each, started by their setup flags
// (EnableSpi, EnableTouch): `spi` reads a resistive controller on
// "/dev/spidev0.0", `touch` a USB panel 0x0EEF:0xC000. Both map readings to
// pixels (touch_calibration.h) and hold a soft button of the button bar while
// it is touched (works->touchHeld, acted on by the GPIO thread). With the setup
// flag DelayedTouch at '1', each new touch also draws a target at the point,
// which is how a calibration is checked.
#include <cstddef>
#include <cstdint>

#include "display/touch_calibration.h"

struct Works;

namespace platform {
class SpiDevice;
}

void spi(Works* works);
void touch(Works* works);

// The USB panel as its reader uses it: the board's libusb device, or a test's.
class UsbTouchLink {
 public:
  enum class Read { Ok, Timeout, Error };
  virtual ~UsbTouchLink() = default;
  // Opens the panel and claims its interface; false when it is not there.
  virtual bool open() = 0;
  // One interrupt read of up to `length` bytes, `got` the count.
  virtual Read read(uint8_t* data, int length, int& got, unsigned timeoutMs) = 0;
  virtual void close() = 0;
};

// Pauses of the USB reader: between attempts to open a missing panel, and
// after a read error (the panel unplugged) before it opens it again.
inline constexpr long kUsbTouchOpenRetryMs = 10000, kUsbTouchErrorPauseMs = 1000;
// The USB reader's loop until `running` falls.
void ReadUsbTouch(Works* works, UsbTouchLink& link);

// One SPI command: the command byte and length-1 zero bytes in one transfer;
// the value is (second byte) x 32 + (third byte >> 5). -1 (logged) when it
// fails; the SPI reader then ends, and the buttons still work.
int transfer(platform::SpiDevice& device, uint8_t command, size_t length);

// The soft-button bits for a touch at `point` (none outside the button bar).
uint8_t SoftButtonsAt(TouchPoint point);
// What a touch does: holds its soft button, or lets it go on release.
void ApplyTouch(Works* works, bool pressed, TouchPoint point);
// The calibration target: three circles and a cross through the point.
void DrawTouchTarget(Works* works, TouchPoint point);
