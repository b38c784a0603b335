#include "platform/linux/provider/values/firmware_text.h"

#include "platform/wide_text.h"

namespace hwident {

// The program's own narrow-to-wide conversion already decodes UTF-8 this way
// on Linux: one U+FFFD per byte that does not start a well-formed sequence.
std::u16string DecodeMachineText(std::string_view text) {
  return NarrowToWide(text);
}

std::string AsciiFromWide(std::u16string_view text) {
  std::string narrow;
  narrow.reserve(text.size());
  for (char16_t c : text) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return narrow;
}

}  // namespace hwident
