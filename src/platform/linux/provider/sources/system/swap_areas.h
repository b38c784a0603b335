#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/provider/machine/machine.h"

namespace hwident {

// One line of /proc/swaps: the area's file or device, its kind and its
// size and use in KiB.
struct SwapArea {
  std::string name;  // "/dev/nvme0n1p3", "/swapfile"; escapes decoded
  std::string type;  // "partition", "file"
  std::uint64_t sizeKb = 0;
  std::uint64_t usedKb = 0;
};

// The kernel caps swap areas at MAX_SWAPFILES (32 or fewer); a longer
// table is not the kernel's and is cut there.
inline constexpr std::size_t kMaxSwapAreas = 64;

// The header line and lines without the table's shape (five fields, sizes
// in decimal, use not above size) are skipped.
std::vector<SwapArea> ParseSwaps(std::string_view text);
const std::vector<SwapArea>& SwapAreas(Machine& machine);

}  // namespace hwident
