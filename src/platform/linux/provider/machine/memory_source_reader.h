#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/source_reader.h"

namespace hwident {

// A machine held in memory, for tests and fuzzers: files and symbolic links
// by their machine paths. Directories are implied by the paths below them.
// Links resolve as the kernel resolves them (relative to the link's
// directory, ".." stopping at the root, at most 40 of them on one path).
class MemorySourceReader final : public SourceReader {
 public:
  void AddFile(const std::string& path, std::string content);
  void AddLink(const std::string& path, std::string target);

  std::optional<std::string> Read(const std::string& path) override;
  std::optional<std::vector<std::string>> Entries(const std::string& path) override;
  std::optional<std::string> ReadLink(const std::string& path) override;
  bool Exists(const std::string& path) override;
  std::optional<std::string> Resolve(const std::string& path) override;

 private:
  // The path with every link on it followed, whether or not it exists;
  // nothing for a loop.
  std::optional<std::string> Follow(const std::string& path) const;
  bool IsDirectory(const std::string& path) const;

  std::map<std::string, std::string> files_;
  std::map<std::string, std::string> links_;
};

}  // namespace hwident
