#include "platform/linux/provider/sources/firmware/smbios_table.h"

#include <algorithm>

namespace hwident {
namespace {

constexpr std::size_t kHeaderLength = 4;
constexpr std::uint8_t kEndOfTable = 127;

std::uint64_t LittleEndian(std::string_view bytes, std::size_t offset, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = width; i-- > 0;) {
    value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  }
  return value;
}

std::optional<std::uint64_t> Field(const std::string& formatted, std::size_t offset,
                                   std::size_t width) {
  // Written so that no offset, however large, can wrap the comparison.
  if (offset > formatted.size() || formatted.size() - offset < width) return std::nullopt;
  return LittleEndian(formatted, offset, width);
}

}  // namespace

std::optional<std::uint8_t> SmbiosStructure::Byte(std::size_t offset) const {
  const auto value = Field(formatted, offset, 1);
  if (!value) return std::nullopt;
  return static_cast<std::uint8_t>(*value);
}

std::optional<std::uint16_t> SmbiosStructure::Word(std::size_t offset) const {
  const auto value = Field(formatted, offset, 2);
  if (!value) return std::nullopt;
  return static_cast<std::uint16_t>(*value);
}

std::optional<std::uint32_t> SmbiosStructure::Dword(std::size_t offset) const {
  const auto value = Field(formatted, offset, 4);
  if (!value) return std::nullopt;
  return static_cast<std::uint32_t>(*value);
}

std::optional<std::uint64_t> SmbiosStructure::Qword(std::size_t offset) const {
  return Field(formatted, offset, 8);
}

std::optional<std::string> SmbiosStructure::String(std::size_t offset) const {
  const auto index = Byte(offset);
  if (!index || *index == 0 || *index > strings.size()) return std::nullopt;
  return strings[*index - 1];
}

std::optional<SmbiosEntryPoint> ParseSmbiosEntryPoint(std::string_view bytes) {
  // The kernel checked the checksums before publishing the entry point, so
  // only the lengths matter here.
  SmbiosEntryPoint entry;
  if (bytes.substr(0, 5) == "_SM3_") {
    if (bytes.size() < 0x18) return std::nullopt;
    entry.major = static_cast<unsigned char>(bytes[7]);
    entry.minor = static_cast<unsigned char>(bytes[8]);
    entry.tableLength = LittleEndian(bytes, 0x0C, 4);
    return entry;
  }
  if (bytes.substr(0, 4) == "_SM_") {
    if (bytes.size() < 0x1F || bytes.substr(0x10, 5) != "_DMI_") return std::nullopt;
    entry.major = static_cast<unsigned char>(bytes[6]);
    entry.minor = static_cast<unsigned char>(bytes[7]);
    entry.tableLength = LittleEndian(bytes, 0x16, 2);
    entry.structureCount = LittleEndian(bytes, 0x1C, 2);
    return entry;
  }
  return std::nullopt;
}

std::vector<const SmbiosStructure*> SmbiosTable::OfType(std::uint8_t type,
                                                        std::size_t minimumLength) const {
  std::vector<const SmbiosStructure*> found;
  for (const SmbiosStructure& structure : structures) {
    if (structure.type == type && structure.formatted.size() >= minimumLength) {
      found.push_back(&structure);
    }
  }
  return found;
}

const SmbiosStructure* SmbiosTable::First(std::uint8_t type, std::size_t minimumLength) const {
  for (const SmbiosStructure& structure : structures) {
    if (structure.type == type && structure.formatted.size() >= minimumLength) return &structure;
  }
  return nullptr;
}

SmbiosTable ParseSmbiosTable(const SmbiosEntryPoint& entry, std::string_view bytes) {
  SmbiosTable table;
  table.major = entry.major;
  table.minor = entry.minor;
  // A 3.x length is only a bound; the file holds what the firmware really
  // gave. Neither may be trusted past the other.
  if (entry.tableLength != 0) bytes = bytes.substr(0, std::min(bytes.size(), entry.tableLength));
  std::size_t at = 0;
  while (bytes.size() - at >= kHeaderLength) {
    // A count of zero is what some firmware writes for "not counted".
    if (entry.structureCount.value_or(0) != 0 && table.structures.size() >= *entry.structureCount) {
      break;
    }
    const std::size_t length = static_cast<unsigned char>(bytes[at + 1]);
    if (length < kHeaderLength || bytes.size() - at < length) break;
    // The string set ends with two NULs; a structure without strings has
    // just those two. No terminator before the end: the structure is cut.
    const std::size_t terminator = bytes.find(std::string_view("\0\0", 2), at + length);
    if (terminator == std::string_view::npos) break;
    SmbiosStructure structure;
    structure.type = static_cast<unsigned char>(bytes[at]);
    structure.handle = static_cast<std::uint16_t>(LittleEndian(bytes, at + 2, 2));
    structure.formatted = std::string(bytes.substr(at, length));
    // The first string starts right after the formatted area; its NUL may
    // be the first of the terminator pair when the set is empty.
    std::size_t start = at + length;
    while (start < terminator) {
      const std::size_t end = bytes.find('\0', start);
      structure.strings.emplace_back(bytes.substr(start, end - start));
      start = end + 1;
    }
    at = terminator + 2;
    const bool last = structure.type == kEndOfTable;
    table.structures.push_back(std::move(structure));
    if (last) break;
  }
  return table;
}

}  // namespace hwident
