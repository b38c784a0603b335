#include "platform/linux/system/environment_expansion.h"

#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace hwident {

std::string ExpandReferences(std::string_view source, const VariableLookup& lookup) {
  std::string result;
  std::size_t position = 0;
  while (position < source.size()) {
    const std::size_t open = source.find('%', position);
    const std::size_t close = open == std::string_view::npos ? open : source.find('%', open + 1);
    if (close == std::string_view::npos) {
      result += source.substr(position);
      break;
    }
    result += source.substr(position, open - position);
    const std::string_view reference = source.substr(open, close - open + 1);
    const std::optional<std::string> value =
        lookup(std::string(reference.substr(1, reference.size() - 2)));
    result += value ? std::string_view(*value) : reference;
    position = close + 1;
  }
  return result;
}

std::optional<std::string> LookupEnvironmentVariable(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value != nullptr && *value != '\0') return std::string(value);
  if (name != "Windir") return std::nullopt;
  // getcwd with a null buffer allocates one of the size the path needs.
  const std::unique_ptr<char, decltype(&std::free)> directory(getcwd(nullptr, 0), &std::free);
  if (!directory) return std::nullopt;
  return std::string(directory.get());
}

}  // namespace hwident
