#include "platform/linux/provider/sources/system/swap_areas.h"

#include <sstream>

#include "platform/linux/provider/sources/storage/mount_table.h"
#include "platform/linux/provider/values/number_text.h"

namespace hwident {

std::vector<SwapArea> ParseSwaps(std::string_view text) {
  std::vector<SwapArea> areas;
  std::istringstream lines{std::string(text)};
  std::string line;
  while (areas.size() < kMaxSwapAreas && std::getline(lines, line)) {
    // Filename Type Size Used Priority; the kernel writes blanks, tabs,
    // newlines and backslashes in the name as \ooo escapes, as mountinfo does.
    std::istringstream fields(line);
    std::string name, type, size, used, priority, extra;
    if (!(fields >> name >> type >> size >> used >> priority) || (fields >> extra)) continue;
    const auto sizeKb = ParseDecimalIn(size, 0, INT64_MAX);
    const auto usedKb = ParseDecimalIn(used, 0, INT64_MAX);
    if (!sizeKb || !usedKb || *usedKb > *sizeKb) continue;
    areas.push_back({DecodeMountEscapes(name), type, static_cast<std::uint64_t>(*sizeKb),
                     static_cast<std::uint64_t>(*usedKb)});
  }
  return areas;
}

const std::vector<SwapArea>& SwapAreas(Machine& machine) {
  return machine.Derived<std::vector<SwapArea>>("swaps", [&machine] {
    const std::optional<std::string>& text = machine.Raw("/proc/swaps");
    return text ? ParseSwaps(*text) : std::vector<SwapArea>{};
  });
}

}  // namespace hwident
