#include "text/tokenizer.h"

#include <algorithm>
#include <cstdint>

namespace hwident {

CTokenizer::CTokenizer(std::string_view text, std::string_view delimiters) : text_(text) {
  for (const char delimiter : delimiters) {
    const auto byte = static_cast<unsigned char>(delimiter);
    delimiters_[byte / 32] |= 1u << (byte % 32);
  }
}

bool CTokenizer::NextToken(NarrowText& token) {
  token.clear();
  // Texts here are command lines and property values; the position is a
  // 32-bit index by design, so longer texts are read only that far.
  const auto length = static_cast<std::int32_t>(
      std::min<std::size_t>(text_.size(), static_cast<std::size_t>(INT32_MAX)));
  while (position_ < length && IsDelimiter(static_cast<unsigned char>(text_[position_]))) {
    ++position_;
  }
  if (position_ >= length) return false;
  const std::int32_t start = position_;
  while (position_ < length && !IsDelimiter(static_cast<unsigned char>(text_[position_]))) {
    ++position_;
  }
  // The delimiter that ended the token is skipped by the next call.
  token.assign(text_, static_cast<std::size_t>(start), static_cast<std::size_t>(position_ - start));
  return true;
}

}  // namespace hwident
