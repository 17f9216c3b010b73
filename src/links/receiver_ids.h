#pragma once
// The USB identifiers of the companion's receiver. They belong to the device,
// not to the program, so an installer sets them in "/opt/set/receiver.txt":
//   vendor=04b4
//   product=00f1          the receiver remote operation requires
//   refused=8613,00f3     ids of the same vendor that are not a running
//                         receiver (a chip still in its boot loader)
// Hexadecimal, one key per line; a missing file or key keeps the default.
#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* kReceiverIdsPath = "/opt/set/receiver.txt";

struct ReceiverIds {
  uint16_t vendor = 0x04B4;
  uint16_t product = 0x00F1;
  struct Refused {
    uint16_t product;
    const char* model;
  };
  std::vector<Refused> refused = {{0x8613, "FX2 without firmware"}, {0x00F3, "FX3 boot loader"}};
};

// Reads the text of the file; lines it cannot read are left at the default.
ReceiverIds ParseReceiverIds(const std::string& text);
ReceiverIds LoadReceiverIds();
