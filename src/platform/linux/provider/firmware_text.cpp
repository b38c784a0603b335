#include "platform/linux/provider/firmware_text.h"

#include <cstdint>

namespace hwident {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// Length of the well-formed sequence at text[at], or 0. Overlong forms,
// surrogates and values above U+10FFFF are malformed.
std::size_t SequenceLength(std::string_view text, std::size_t at, char32_t* point) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  char32_t value = 0;
  char32_t lowest = 0;
  if (lead < 0x80) {
    *point = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, lowest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, lowest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, lowest = 0x10000;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[at + i]);
    if (!IsContinuation(byte)) return 0;
    value = (value << 6) | (byte & 0x3F);
  }
  if (value < lowest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *point = value;
  return length;
}

}  // namespace

std::u16string DecodeMachineText(std::string_view text) {
  std::u16string wide;
  wide.reserve(text.size());
  std::size_t at = 0;
  while (at < text.size()) {
    char32_t point = 0;
    const std::size_t length = SequenceLength(text, at, &point);
    if (length == 0) {
      wide.push_back(kReplacement);
      ++at;
      continue;
    }
    if (point >= 0x10000) {
      point -= 0x10000;
      wide.push_back(static_cast<char16_t>(0xD800 + (point >> 10)));
      wide.push_back(static_cast<char16_t>(0xDC00 + (point & 0x3FF)));
    } else {
      wide.push_back(static_cast<char16_t>(point));
    }
    at += length;
  }
  return wide;
}

std::string AsciiFromWide(std::u16string_view text) {
  std::string narrow;
  narrow.reserve(text.size());
  for (char16_t c : text) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return narrow;
}

}  // namespace hwident
