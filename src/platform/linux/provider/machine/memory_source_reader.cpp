#include "platform/linux/provider/machine/memory_source_reader.h"

#include <algorithm>
#include <deque>
#include <set>

namespace hwident {
namespace {

constexpr int kMaxLinksFollowed = 40;  // the kernel's own limit (ELOOP)

std::deque<std::string> Components(const std::string& path) {
  std::deque<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t slash = std::min(path.find('/', start), path.size());
    if (slash > start) parts.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  return parts;
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string path;
  for (const std::string& part : parts) path += "/" + part;
  return path.empty() ? "/" : path;
}

// Stored under one spelling, whatever the caller wrote.
std::string Normal(const std::string& path) {
  const std::deque<std::string> parts = Components(path);
  return Joined({parts.begin(), parts.end()});
}

}  // namespace

void MemorySourceReader::AddFile(const std::string& path, std::string content) {
  files_[Normal(path)] = std::move(content);
}

void MemorySourceReader::AddLink(const std::string& path, std::string target) {
  links_[Normal(path)] = std::move(target);
}

std::optional<std::string> MemorySourceReader::Follow(const std::string& path) const {
  std::vector<std::string> done;
  std::deque<std::string> todo = Components(path);
  int followed = 0;
  while (!todo.empty()) {
    const std::string part = std::move(todo.front());
    todo.pop_front();
    if (part == ".") continue;
    if (part == "..") {
      if (!done.empty()) done.pop_back();
      continue;
    }
    done.push_back(part);
    const auto link = links_.find(Joined(done));
    if (link == links_.end()) continue;
    if (++followed > kMaxLinksFollowed) return std::nullopt;
    done.pop_back();
    if (!link->second.empty() && link->second.front() == '/') done.clear();
    const std::deque<std::string> target = Components(link->second);
    todo.insert(todo.begin(), target.begin(), target.end());
  }
  return Joined(done);
}

bool MemorySourceReader::IsDirectory(const std::string& path) const {
  const std::string prefix = path == "/" ? "/" : path + "/";
  const auto below = [&prefix](const auto& entries) {
    const auto next = entries.lower_bound(prefix);
    return next != entries.end() && next->first.compare(0, prefix.size(), prefix) == 0;
  };
  return below(files_) || below(links_);
}

std::optional<std::string> MemorySourceReader::Read(const std::string& path) {
  const std::optional<std::string> real = Follow(path);
  if (!real) return std::nullopt;
  const auto file = files_.find(*real);
  if (file == files_.end()) return std::nullopt;
  return file->second;
}

std::optional<std::vector<std::string>> MemorySourceReader::Entries(const std::string& path) {
  const std::optional<std::string> real = Follow(path);
  if (!real || !IsDirectory(*real)) return std::nullopt;
  const std::string prefix = *real == "/" ? "/" : *real + "/";
  std::set<std::string> names;
  const auto collect = [&prefix, &names](const auto& entries) {
    for (auto entry = entries.lower_bound(prefix);
         entry != entries.end() && entry->first.compare(0, prefix.size(), prefix) == 0; ++entry) {
      const std::string rest = entry->first.substr(prefix.size());
      names.insert(rest.substr(0, rest.find('/')));
    }
  };
  collect(files_);
  collect(links_);
  std::vector<std::string> list(names.begin(), names.end());
  if (list.size() > kMaxDirectoryEntries) list.resize(kMaxDirectoryEntries);
  return list;
}

std::optional<std::string> MemorySourceReader::ReadLink(const std::string& path) {
  // The links on the way to the last component are followed; the last is read.
  const std::size_t slash = Normal(path).rfind('/');
  const std::optional<std::string> directory = Follow(Normal(path).substr(0, slash));
  if (!directory) return std::nullopt;
  const std::string name = Normal(path).substr(slash + 1);
  const auto link = links_.find(*directory == "/" ? "/" + name : *directory + "/" + name);
  if (link == links_.end()) return std::nullopt;
  return link->second;
}

bool MemorySourceReader::Exists(const std::string& path) {
  return Resolve(path).has_value();
}

std::optional<std::string> MemorySourceReader::Resolve(const std::string& path) {
  const std::optional<std::string> real = Follow(path);
  if (!real || (files_.count(*real) == 0 && !IsDirectory(*real))) return std::nullopt;
  return real;
}

}  // namespace hwident
