#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hwident {

// One structure of the SMBIOS table: its formatted area (header included)
// and its string set. Every field read is checked against the formatted
// length, so a structure from an older SMBIOS version, too short to hold a
// field, answers nothing for it rather than bytes of its neighbour.
struct SmbiosStructure {
  std::uint8_t type = 0;
  std::uint16_t handle = 0;
  std::string formatted;
  std::vector<std::string> strings;

  std::optional<std::uint8_t> Byte(std::size_t offset) const;
  std::optional<std::uint16_t> Word(std::size_t offset) const;
  std::optional<std::uint32_t> Dword(std::size_t offset) const;
  std::optional<std::uint64_t> Qword(std::size_t offset) const;
  // The string the byte at offset names. Index 0 means "no string"; an
  // index past the structure's strings names nothing either.
  std::optional<std::string> String(std::size_t offset) const;
};

// What the entry point says about the table: the SMBIOS version, the
// table's length (exact for 2.x, an upper bound for 3.x) and, for 2.x, how
// many structures it holds.
struct SmbiosEntryPoint {
  int major = 0;
  int minor = 0;
  std::size_t tableLength = 0;
  std::optional<std::size_t> structureCount;
};

// The "_SM3_" (64-bit) or "_SM_" (32-bit) entry point as the kernel
// publishes it; nothing for anything else or one cut short.
std::optional<SmbiosEntryPoint> ParseSmbiosEntryPoint(std::string_view bytes);

struct SmbiosTable {
  int major = 0;
  int minor = 0;
  std::vector<SmbiosStructure> structures;

  // The structures of a type, in table order, leaving out any shorter than
  // the formatted length the type has at its oldest version: such a
  // structure is broken, not old.
  std::vector<const SmbiosStructure*> OfType(std::uint8_t type, std::size_t minimumLength) const;
  // The first structure of a type, under the same rule.
  const SmbiosStructure* First(std::uint8_t type, std::size_t minimumLength) const;
};

// Walks the table: header, formatted area, strings up to the double NUL,
// until the end-of-table structure (type 127), the entry point's count or
// length, or the bytes run out. A structure cut off by the end, or whose
// formatted length cannot even hold its header, ends the walk; what came
// before it stays.
SmbiosTable ParseSmbiosTable(const SmbiosEntryPoint& entry, std::string_view bytes);

}  // namespace hwident
