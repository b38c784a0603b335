#include "platform/linux/provider/sources/system/udev_database.h"

#include "platform/linux/provider/sources/system/sysfs_path.h"

namespace hwident {

UdevProperties ParseUdevProperties(const std::string& text) {
  UdevProperties properties;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string_view line(text.data() + at, end - at);
    at = end + 1;
    if (line.substr(0, 2) != "E:") continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || equals == 2) continue;
    // The first of two lines with one key wins, as udev itself writes each
    // key once and a second one can only be damage.
    properties.emplace(std::string(line.substr(2, equals - 2)),
                       std::string(line.substr(equals + 1)));
  }
  return properties;
}

const UdevProperties& DmiUdevProperties(Machine& machine) {
  return machine.Derived<UdevProperties>("udev +dmi:id", [&machine] {
    const auto& text = machine.Raw("/run/udev/data/+dmi:id");
    return text ? ParseUdevProperties(*text) : UdevProperties{};
  });
}

std::optional<std::string> UdevProperty(Machine& machine, const std::string& id,
                                        const std::string& key) {
  // Without the database (no udev, a container) no record is there to
  // look for: one look at the directory rather than one per device.
  static const std::string kDatabase = "/run/udev/data";
  const bool database =
      machine.Derived<bool>("udev database", [&machine] { return machine.Exists(kDatabase); });
  if (!database) return std::nullopt;
  const std::optional<std::string>& text = machine.Raw(kDatabase + "/" + id);
  if (!text || key.empty()) return std::nullopt;
  // The record's first "E:KEY=" line, as ParseUdevProperties keeps it; a
  // device's classes ask it for a key or two, so the record is searched
  // where it lies rather than made into a map.
  return UeventValue(*text, "E:" + key);
}

}  // namespace hwident
