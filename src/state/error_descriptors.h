#pragma once
// The built-in descriptors of the 25 error codes: reaction flags (bit 0 alarm,
// bit 1 protection, bit 2 temporary warning) and the two lines of the key.
#include <array>
#include <cstdint>

inline constexpr int kNumErrors = 25;

struct ErrorDescriptor {
  uint8_t flags;
  char line1[30];
  char line2[30];
};

inline constexpr std::array<ErrorDescriptor, kNumErrors> kErrorDescriptors = {{
    {2, "1-High", "temperature"},      // 0
    {3, "HI SWR", "error"},            // 1
    {1, "1-High", "temperature"},      // 2
    {3, "PWR IN", "error"},            // 3
    {4, "Comm", "warn "},              // 4
    {4, "Remote warn", "Usb"},         // 5
    {4, "Audio", "not found"},         // 6
    {4, "VYR mode", "not activated"},  // 7
    {4, "VYR EXTIO", "warning"},       // 8
    {0, "Audio read", "warning"},      // 9
    {0, "Audio write", "warning"},     // 10
    {0, "Web socket", "warning"},      // 11
    {4, "Auto Tune", "timeout"},       // 12
    {4, "Auto Tune", "SWR warning"},   // 13
    {4, "Auto Tune", "VYR aborts"},    // 14
    {3, "Error", "---"},               // 15
    {4, "Micro Reset", "warning"},     // 16
    {4, "CMD not", "available"},       // 17
    {4, "Auto Tune", "Max SWR"},       // 18
    {6, "Band warn", "StBy"},          // 19
    {4, "Remote warn", "Cat"},         // 20
    {2, "2-High", "temperature"},      // 21
    {1, "2-High", "temperature"},      // 22
    {2, "2-Warning", "temperature"},   // 23
    {2, "2-Warning", "temperature"},   // 24
}};
