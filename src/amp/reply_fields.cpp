#include "amp/reply_fields.h"

int charToInt(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<uint32_t> ReplyFields::decimal(size_t pos, size_t width) const {
  auto field = chars(pos, width);
  if (!field) return std::nullopt;
  uint64_t value = 0;
  size_t i = 0;
  // Leading blanks and a sign, as a decimal conversion accepts them.
  while (i < field->size() && (*field)[i] == ' ') ++i;
  if (i < field->size() && (*field)[i] == '+') ++i;
  for (; i < field->size() && (*field)[i] >= '0' && (*field)[i] <= '9'; ++i) value = value * 10 + ((*field)[i] - '0');
  return static_cast<uint32_t>(value);
}

std::optional<uint8_t> ReplyFields::hexDigit(size_t pos) const {
  auto c = at(pos);
  if (!c) return std::nullopt;
  return static_cast<uint8_t>(charToInt(*c));
}

std::optional<uint8_t> ReplyFields::hexByte(size_t pos) const {
  auto field = chars(pos, 2);
  if (!field) return std::nullopt;
  int hi = charToInt((*field)[0]), lo = charToInt((*field)[1]);
  if (hi < 0 || lo < 0) return std::nullopt;
  return static_cast<uint8_t>(hi * 16 + lo);
}
