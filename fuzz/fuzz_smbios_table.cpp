#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/linux/provider/sources/firmware/memory_devices.h"
#include "platform/linux/provider/sources/firmware/smbios_table.h"
#include "platform/linux/provider/sources/firmware/system_uuid.h"
#include "platform/linux/provider/sources/system/udev_database.h"

namespace {

// The input is an entry point followed by its table, as the seeds are; an
// input that starts with no entry point is walked as a table on its own.
std::size_t EntryLength(std::string_view bytes) {
  if (bytes.substr(0, 5) == "_SM3_") return 0x18;
  if (bytes.substr(0, 4) == "_SM_") return 0x1F;
  return 0;
}

}  // namespace

// Whatever the bytes, the walk ends, every structure it keeps lies within
// them, and every field and string read stays inside its structure.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t entryLength = std::min(EntryLength(bytes), bytes.size());
  const auto entry = hwident::ParseSmbiosEntryPoint(bytes.substr(0, entryLength));
  const hwident::SmbiosTable table = hwident::ParseSmbiosTable(
      entry.value_or(hwident::SmbiosEntryPoint{3, 0, 0, std::nullopt}), bytes.substr(entryLength));
  std::size_t held = 0;
  for (const hwident::SmbiosStructure& structure : table.structures) {
    held += structure.formatted.size() + 2;
    for (std::size_t offset = 0; offset <= structure.formatted.size() + 8; ++offset) {
      const auto text = structure.String(offset);
      if (text && text->find('\0') != std::string::npos) std::abort();
      if (structure.Qword(offset) && offset + 8 > structure.formatted.size()) std::abort();
    }
    for (const std::string& text : structure.strings) held += text.size() + 1;
  }
  if (held > bytes.size() - entryLength + table.structures.size()) std::abort();
  // The system UUID: 16 bytes from within a structure, always 36 characters
  // of text; the same bytes as the kernel's text, turned or refused.
  if (const auto uuid = hwident::TableUuidBytes(table)) {
    if (uuid->size() != 16) std::abort();
    const auto text = hwident::FormatSystemUuid(*uuid);
    if (text && text->size() != 36) std::abort();
  }
  const auto turned = hwident::TurnUuidFields(bytes.substr(0, 36));
  if (turned && turned->size() != 36) std::abort();
  const hwident::MemoryLayout layout = hwident::MemoryFromSmbios(table);
  if (layout.modules.size() > table.structures.size()) std::abort();
  // The same bytes as udev's database text.
  hwident::MemoryFromUdev(hwident::ParseUdevProperties(std::string(bytes)));
  return 0;
}
