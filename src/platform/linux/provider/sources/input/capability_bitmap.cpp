#include "platform/linux/provider/sources/input/capability_bitmap.h"

#include <vector>

namespace hwident {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<CapabilityBits> ParseCapabilityBitmap(std::string_view text, unsigned wordBits) {
  if (wordBits != 32 && wordBits != 64) return std::nullopt;
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  CapabilityBits bits;
  if (text.empty()) return bits;
  std::vector<std::string_view> words;
  const std::size_t maxWords = kMaxCapabilityBits / wordBits;
  while (true) {
    const std::size_t blank = text.find(' ');
    words.push_back(text.substr(0, blank));
    if (words.size() > maxWords) return std::nullopt;
    if (blank == std::string_view::npos) break;
    text.remove_prefix(blank + 1);
  }
  // The last word printed holds bits 0 and up.
  for (std::size_t index = 0; index < words.size(); ++index) {
    const std::string_view word = words[words.size() - 1 - index];
    if (word.empty() || word.size() > wordBits / 4) return std::nullopt;
    for (std::size_t digit = 0; digit < word.size(); ++digit) {
      const int value = HexValue(word[word.size() - 1 - digit]);
      if (value < 0) return std::nullopt;
      for (unsigned bit = 0; bit < 4; ++bit) {
        if ((value >> bit) & 1) bits.set(index * wordBits + digit * 4 + bit);
      }
    }
  }
  return bits;
}

unsigned KernelLongBits(const std::string& architecture) {
  const bool wide = architecture.find("64") != std::string::npos || architecture == "s390x" ||
                    architecture == "alpha";
  return wide ? 64 : 32;
}

}  // namespace hwident
