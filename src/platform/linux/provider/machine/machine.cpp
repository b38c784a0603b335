#include "platform/linux/provider/machine/machine.h"

#include <utility>

namespace hwident {

const std::optional<std::string>& Machine::Raw(const std::string& path) {
  auto found = files_.find(path);
  if (found == files_.end()) {
    std::optional<std::string> text = reader_.Read(path);
    // The same bound whatever reader stands behind the machine.
    if (text && text->size() > kMaxSourceFileBytes) text.reset();
    found = files_.emplace(path, std::move(text)).first;
  }
  return found->second;
}

std::optional<std::string> Machine::ReadOnce(const std::string& path) {
  std::optional<std::string> text = reader_.Read(path);
  if (text && text->size() > kMaxSourceFileBytes) text.reset();
  return text;
}

const std::optional<std::string>& Machine::RawLater(const std::string& path, int milliseconds) {
  auto found = laterFiles_.find(path);
  if (found != laterFiles_.end()) return found->second;
  Raw(path);
  live_.Pause(milliseconds);
  return laterFiles_.emplace(path, reader_.Read(path)).first->second;
}

std::optional<std::string> Machine::Text(const std::string& path) {
  std::optional<std::string> text = Raw(path);
  // Only the attribute's own newline goes; blanks and placeholders stay.
  if (text && !text->empty() && text->back() == '\n') text->pop_back();
  return text;
}

std::optional<std::string> Machine::Resolve(const std::string& path) {
  auto found = resolved_.find(path);
  if (found == resolved_.end()) found = resolved_.emplace(path, reader_.Resolve(path)).first;
  return found->second;
}

std::optional<std::string> Machine::RootOnlyText(const std::string& path) {
  if (!live_.IsRoot()) return std::nullopt;
  return Text(path);
}

std::optional<std::string> Machine::RootOnlyRaw(const std::string& path) {
  if (!live_.IsRoot()) return std::nullopt;
  return Raw(path);
}

const std::vector<InterfaceAddress>& Machine::Addresses() {
  if (!addresses_) addresses_ = live_.Addresses();
  return *addresses_;
}

const std::optional<FileSystemSpace>& Machine::Space(const std::string& mountPoint) {
  auto found = spaces_.find(mountPoint);
  if (found == spaces_.end()) found = spaces_.emplace(mountPoint, live_.Space(mountPoint)).first;
  return found->second;
}

}  // namespace hwident
