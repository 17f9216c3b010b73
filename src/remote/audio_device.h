#pragma once
// What the capture and playback threads share: opening a card with retries
// and the operator's lines for failed steps.
#include <memory>
#include <string>

#include "platform/pcm.h"

struct Works;

// Up to 100 tries, 100 ms apart, while the program runs; nullptr with the
// last error text when every try failed.
std::unique_ptr<platform::Pcm> OpenPcmWithRetries(Works* works, const std::string& name, platform::PcmStream stream,
                                                  bool capture, std::string& error);
// The line for a failed configuration step of platform::Pcm::configure.
std::string PcmStepLine(bool capture, const std::string& step, const std::string& text);
// Logs a line at error level and writes it on standard error.
void ReportAudioError(const std::string& line);
