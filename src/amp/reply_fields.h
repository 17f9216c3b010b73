#pragma once
// Fixed-width field getters over one reply text. Every getter checks that its
// characters arrived before reading them: a short reply yields "missing"
// (nullopt) for the fields it lacks instead of a read past its end.
#include <cstdint>
#include <optional>
#include <string_view>

// Value of one hexadecimal digit ('0'-'9', 'A'-'F', 'a'-'f'), -1 otherwise.
int charToInt(char c);

class ReplyFields {
 public:
  // `text` runs up to and including the closing ";", which is not field data.
  explicit ReplyFields(std::string_view text)
      : text_(text.empty() || text.back() != ';' ? text : text.substr(0, text.size() - 1)) {}

  size_t size() const { return text_.size(); }
  std::string_view all() const { return text_; }
  std::optional<char> at(size_t pos) const {
    if (pos >= text_.size()) return std::nullopt;
    return text_[pos];
  }
  // `width` characters from `pos`, or nullopt when they did not all arrive.
  std::optional<std::string_view> chars(size_t pos, size_t width) const {
    if (pos > text_.size() || text_.size() - pos < width) return std::nullopt;
    return text_.substr(pos, width);
  }
  // Decimal field: converted as far as its characters are digits (a field
  // starting with a non-digit is 0), as a plain decimal conversion would.
  std::optional<uint32_t> decimal(size_t pos, size_t width) const;
  // One hexadecimal digit truncated to a byte: a non-hexadecimal character gives 255.
  std::optional<uint8_t> hexDigit(size_t pos) const;
  // Two hexadecimal digits, high first; nullopt when either is not hexadecimal.
  std::optional<uint8_t> hexByte(size_t pos) const;

 private:
  std::string_view text_;
};
