// Win32_PageFileSetting: the same swap areas as Win32_PageFileUsage, as
// settings. A swap area's size is fixed when it is made and switched on
// whole, so its initial and its largest size are both that size.
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

template <Fact (*Read)(const SwapArea&)>
Fact Of(M& m, I key) {
  const auto index = ParseDecimalIn(key, 0, kMaxSwapAreas);
  const std::vector<SwapArea>& areas = SwapAreas(m);
  if (!index || static_cast<std::size_t>(*index) >= areas.size()) return Fact::Null();
  return Read(areas[static_cast<std::size_t>(*index)]);
}

// The area's folder (with its closing slash) and file name, as Windows
// splits "C:\pagefile.sys" into "C:\" and "pagefile.sys".
std::pair<std::string, std::string> Split(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {"", path};
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

Fact Name(const SwapArea& area) {
  return Fact::Text(area.name);
}

// Windows writes "C:\ 'pagefile.sys'".
Fact Caption(const SwapArea& area) {
  const auto [folder, file] = Split(area.name);
  return Fact::Text(folder + " '" + file + "'");
}

// Windows writes "'pagefile.sys' @ C:\".
Fact Description(const SwapArea& area) {
  const auto [folder, file] = Split(area.name);
  return Fact::Text("'" + file + "' @ " + folder);
}

// Windows writes "pagefile.sys @ C:", the folder without its closing
// separator; the root folder keeps its slash so it still names one.
Fact SettingId(const SwapArea& area) {
  auto [folder, file] = Split(area.name);
  if (folder.size() > 1) folder.pop_back();
  return Fact::Text(file + " @ " + folder);
}

Fact Size(const SwapArea& area) {
  return Fact::Text(std::to_string(area.sizeKb / 1024));
}

constexpr PropertySchema kProperties[] = {
    {"Caption", CimType::kString, Of<Caption>},  {"Description", CimType::kString, Of<Description>},
    {"InitialSize", CimType::kUint32, Of<Size>}, {"MaximumSize", CimType::kUint32, Of<Size>},
    {"Name", CimType::kString, Of<Name>},        {"SettingID", CimType::kString, Of<SettingId>},
};

}  // namespace

const ClassSchema& PageFileSettingClass() {
  static const ClassSchema schema{"Win32_PageFileSetting", Instances, kProperties};
  return schema;
}

}  // namespace hwident
