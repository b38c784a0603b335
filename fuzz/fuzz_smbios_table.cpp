#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/linux/provider/sources/firmware/cache_memory.h"
#include "platform/linux/provider/sources/firmware/memory_devices.h"
#include "platform/linux/provider/sources/firmware/onboard_devices.h"
#include "platform/linux/provider/sources/firmware/port_connectors.h"
#include "platform/linux/provider/sources/firmware/smbios_table.h"
#include "platform/linux/provider/sources/firmware/system_slots.h"
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

void Check(bool rule) {
  if (!rule) std::abort();
}

// The board's records: one per structure (a type-10 structure lists at most
// 125 devices in its 255 bytes), each value within what its property takes.
void BoardRecords(const hwident::SmbiosTable& table) {
  const std::size_t structures = table.structures.size();
  for (const hwident::CacheMemory& cache : hwident::CachesFromSmbios(table)) {
    if (cache.level) Check(*cache.level == 1 || (*cache.level >= 3 && *cache.level <= 5));
    if (cache.installedSize)
      Check(*cache.installedSize >= 0 && *cache.installedSize <= 0xFFFFFFFFLL);
    if (cache.blockSize) Check(*cache.blockSize == 1024 || *cache.blockSize == 65536);
    for (const auto* sram : {&cache.currentSram, &cache.supportedSram}) {
      if (!*sram) continue;
      Check(!(*sram)->empty());
      for (const std::int64_t type : **sram) Check(type >= 0 && type <= 6);
    }
  }
  const auto ports = hwident::PortsFromSmbios(table);
  Check(ports.size() <= structures);
  for (const hwident::PortConnector& port : ports) {
    if (port.connectorType) Check(port.connectorType->size() <= 4);
    if (port.portType) Check(*port.portType >= 0 && *port.portType <= 33);
  }
  for (const hwident::SystemSlot& slot : hwident::SlotsFromSmbios(table)) {
    if (slot.device) Check(*slot.device <= 31 && slot.function && *slot.function <= 7);
    if (slot.maxDataWidth) Check(*slot.maxDataWidth >= 0 && *slot.maxDataWidth <= 4);
  }
  const auto devices = hwident::OnBoardDevicesFromSmbios(table);
  Check(devices.size() <= structures * 125);
  for (const hwident::OnBoardDevice& device : devices) {
    if (device.deviceType) Check(*device.deviceType >= 1 && *device.deviceType <= 7);
  }
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
  BoardRecords(table);
  // The same bytes as udev's database text.
  hwident::MemoryFromUdev(hwident::ParseUdevProperties(std::string(bytes)));
  return 0;
}
