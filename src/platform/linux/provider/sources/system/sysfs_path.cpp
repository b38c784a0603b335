#include "platform/linux/provider/sources/system/sysfs_path.h"

#include <algorithm>
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

std::optional<std::string> UeventValue(const std::string& text, const std::string& key) {
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    if (at + key.size() < end && text.compare(at, key.size(), key) == 0 &&
        text[at + key.size()] == '=') {
      return text.substr(at + key.size() + 1, end - at - key.size() - 1);
    }
    at = end + 1;
  }
  return std::nullopt;
}

std::string JoinLink(const std::string& link, const std::string& target) {
  std::vector<std::string> parts;
  if (!target.empty() && target.front() != '/') {
    parts = PathComponents(link.substr(0, link.rfind('/') + 1));
  }
  for (const std::string& part : PathComponents(target)) {
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (part != ".") {
      parts.push_back(part);
    }
  }
  std::string path;
  for (const std::string& part : parts) path += "/" + part;
  return path.empty() ? "/" : path;
}

}  // namespace hwident
