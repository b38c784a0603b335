#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/wide_text.h"

namespace hwident {

// Cuts one narrow text into tokens separated by runs of delimiter bytes.
// Works on bytes, not characters: every byte value 0..255 may be a delimiter,
// and in a double-byte code page a trail byte equal to a delimiter splits
// inside a character, as callers expect. Leading, trailing and repeated
// delimiters never give empty tokens.
class CTokenizer {
 public:
  // Each byte of delimiters is a delimiter on its own (a set, not a
  // separator string); empty delimiters make the whole text one token.
  CTokenizer(std::string_view text, std::string_view delimiters);

  // Empties token, then fills it with the next token. False, with token
  // left empty, once the text is used up, and on every call after that.
  bool NextToken(NarrowText& token);

 private:
  bool IsDelimiter(unsigned char byte) const {
    return (delimiters_[byte / 32] >> (byte % 32) & 1u) != 0;
  }

  NarrowText text_;
  // One bit per byte value, eight words of 32 bits.
  std::array<std::uint32_t, 8> delimiters_{};
  std::int32_t position_ = 0;
};

}  // namespace hwident
