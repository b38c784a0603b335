#pragma once

#include <bitset>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace hwident {

// The most bits any capability bitmap of an input device holds: the key
// bitmap's KEY_MAX is 0x2ff; the others are smaller.
inline constexpr std::size_t kMaxCapabilityBits = 1024;
using CapabilityBits = std::bitset<kMaxCapabilityBits>;

// A bitmap as the kernel prints one under /sys/class/input/inputN/
// (capabilities/key, ev, rel, abs; properties): hex words of the kernel's
// long, wordBits wide (32 or 64), separated by single blanks, the most
// significant first and without leading zero words ("3 0 0 fffffffe").
// Nothing for text of another shape: a word wider than a long, a character
// that is no hex digit, more words than kMaxCapabilityBits hold. An empty
// file is an empty bitmap.
std::optional<CapabilityBits> ParseCapabilityBitmap(std::string_view text, unsigned wordBits);

// The width of the kernel's long on the machine uname names: 64 bits on the
// 64-bit architectures, 32 on the others.
unsigned KernelLongBits(const std::string& architecture);

}  // namespace hwident
