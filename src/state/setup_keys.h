#pragma once
// The 65 setup keys in file order, each with where its text lives in the setup
// record and how it maps to its numeric mirror in `works`.
#include <span>

#include "state/setup_record.h"

struct Works;

enum class SetupKind { Flag, Text, Number };

struct SetupKey {
  const char* name;
  SetupKind kind;
  SetupFlag& (*flag)(SetupRecord&);        // Flag (flags and digits)
  std::span<char> (*text)(SetupRecord&);   // Text and Number
  void (*fromText)(Works&, SetupRecord&);  // sets the mirror after reading (may be null)
  void (*toText)(Works&, SetupRecord&);    // refreshes the text before writing (may be null)
};

std::span<const SetupKey> setupKeys();
