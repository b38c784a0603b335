#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/linux/provider/machine/machine.h"

namespace hwident {

// One [section] of smb.conf, its parameters in the order met. A section
// named twice is one section, as Samba merges them.
struct SambaSection {
  std::string name;  // as first written, blanks at its ends dropped and inner runs made one
  // Parameter names folded as Samba compares them (lower case, no blanks),
  // and values with the blanks at their ends dropped.
  std::vector<std::pair<std::string, std::string>> parameters;
};

struct SambaConfig {
  std::vector<SambaSection> sections;
};

// Limits on `include =`: how deep includes may nest, how many are followed
// in all, and how many bytes are parsed across every file. A file that is
// already being read (one including itself, or two including each other)
// is not read again inside itself.
inline constexpr int kMaxSambaIncludeDepth = 8;
inline constexpr int kMaxSambaIncludes = 64;
inline constexpr std::size_t kMaxSambaConfigBytes = 8 * 1024 * 1024;

// Reads one file of the configuration by its absolute path.
using SambaFileReader = std::function<std::optional<std::string>(const std::string& path)>;

// The configuration that starts at path, includes followed; nothing when
// path itself cannot be read. Parsed as smb.conf(5) says: ';' and '#'
// start comment lines, a line ending in '\' goes on in the next, only the
// first '=' counts, names ignore letter case and blanks.
std::optional<SambaConfig> ParseSambaConfig(const std::string& path, const SambaFileReader& read);

// /etc/samba/smb.conf as this query's machine has it; nothing without it.
const std::optional<SambaConfig>& MachineSambaConfig(Machine& machine);

// The section of that name, letter case ignored; null when there is none.
const SambaSection* FindSambaSection(const SambaConfig& config, std::string_view name);

// The value a parameter (named as smb.conf writes it: "max connections")
// last took in a section; nothing when the section does not set it.
std::optional<std::string> SambaParameter(const SambaSection& section, std::string_view name);

// Samba's booleans: yes/no, true/false, 1/0, letter case ignored; nothing
// for other text.
std::optional<bool> SambaBoolean(std::string_view text);

}  // namespace hwident
