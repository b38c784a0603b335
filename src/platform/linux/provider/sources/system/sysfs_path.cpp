#include "platform/linux/provider/sources/system/sysfs_path.h"

#include <cstdint>
#include <sstream>

#include "platform/linux/provider/values/number_text.h"

namespace hwident {

std::vector<std::string> PathComponents(const std::string& path) {
  std::vector<std::string> parts;
  std::istringstream stream(path);
  std::string part;
  while (std::getline(stream, part, '/')) {
    if (!part.empty()) parts.push_back(part);
  }
  return parts;
}

std::optional<int> NumberedComponent(const std::string& part, const std::string& prefix) {
  if (part.size() <= prefix.size() || part.compare(0, prefix.size(), prefix) != 0) {
    return std::nullopt;
  }
  const auto number = ParseDecimalIn(part.substr(prefix.size()), 0, INT32_MAX);
  if (!number) return std::nullopt;
  return static_cast<int>(*number);
}

}  // namespace hwident
