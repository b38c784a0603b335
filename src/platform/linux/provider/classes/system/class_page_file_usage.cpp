// Win32_PageFileUsage: the swap areas in use, in /proc/swaps' order (the
// order they were switched on).
#include "platform/linux/provider/classes/provider_classes.h"

#include "platform/linux/provider/sources/system/swap_areas.h"
#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

std::vector<std::string> Instances(M& m) {
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < SwapAreas(m).size(); ++i) keys.push_back(std::to_string(i));
  return keys;
}

// The instance key is the area's place in the table.
template <Fact (*Read)(const SwapArea&)>
Fact Of(M& m, I key) {
  const auto index = ParseDecimalIn(key, 0, kMaxSwapAreas);
  const std::vector<SwapArea>& areas = SwapAreas(m);
  if (!index || static_cast<std::size_t>(*index) >= areas.size()) return Fact::Null();
  return Read(areas[static_cast<std::size_t>(*index)]);
}

Fact Name(const SwapArea& area) {
  return Fact::Text(area.name);
}

// Megabytes, rounded down, as Windows counts page files.
Fact AllocatedBaseSize(const SwapArea& area) {
  return Fact::Text(std::to_string(area.sizeKb / 1024));
}

Fact CurrentUsage(const SwapArea& area) {
  return Fact::Text(std::to_string(area.usedKb / 1024));
}

// A swap area is never a temporary page file: Windows makes one of those
// only when the configured ones failed at boot.
Fact TempPageFile(const SwapArea&) {
  return Fact::Flag(false);
}

constexpr PropertySchema kProperties[] = {
    {"AllocatedBaseSize", CimType::kUint32, Of<AllocatedBaseSize>},
    {"Caption", CimType::kString, Of<Name>},
    {"CurrentUsage", CimType::kUint32, Of<CurrentUsage>},
    {"Description", CimType::kString, Of<Name>},
    // Neither when the area was made nor its highest use since boot is kept
    // by the kernel.
    {"InstallDate", CimType::kDatetime, [](M&, I) { return Fact::Null(); }},
    {"Name", CimType::kString, Of<Name>},
    {"PeakUsage", CimType::kUint32, [](M&, I) { return Fact::Null(); }},
    {"Status", CimType::kString, [](M&, I) { return Fact::Null(); }},
    {"TempPageFile", CimType::kBoolean, Of<TempPageFile>},
};

}  // namespace

const ClassSchema& PageFileUsageClass() {
  static const ClassSchema schema{"Win32_PageFileUsage", Instances, kProperties};
  return schema;
}

}  // namespace hwident
