#include "platform/linux/provider/sources/system/udev_database.h"

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
  const UdevProperties& properties = machine.Derived<UdevProperties>("udev " + id, [&] {
    const std::optional<std::string>& text = machine.Raw("/run/udev/data/" + id);
    return text ? ParseUdevProperties(*text) : UdevProperties{};
  });
  const auto found = properties.find(key);
  if (found == properties.end()) return std::nullopt;
  return found->second;
}

}  // namespace hwident
