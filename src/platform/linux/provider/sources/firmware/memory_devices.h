#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/sources/firmware/smbios_table.h"
#include "platform/linux/provider/sources/system/udev_database.h"

namespace hwident {

// One installed memory module, with the values Windows shows for it.
// Enumerations are already in the CIM numbering (formFactor, memoryType);
// smbiosMemoryType and typeDetail stay raw.
struct MemoryModule {
  std::size_t slot = 0;                   // position among all slots, empty ones counted
  std::optional<std::uint64_t> capacity;  // bytes
  std::optional<std::string> bankLabel, deviceLocator, manufacturer, serialNumber, partNumber;
  std::optional<std::int64_t> attributes, configuredClockSpeed, configuredVoltage, dataWidth,
      formFactor, maxVoltage, minVoltage, memoryType, smbiosMemoryType, speed, totalWidth,
      typeDetail;
};

// One memory array (a set of slots on the board), in the CIM numbering,
// which for these fields is the SMBIOS one.
struct MemoryArray {
  std::optional<std::int64_t> location, use, errorCorrection, memoryDevices;
  std::optional<std::uint64_t> maxCapacityKb;
};

struct MemoryLayout {
  std::vector<MemoryModule> modules;
  std::vector<MemoryArray> arrays;
};

// Type 17 structures with a module in them, and type 16 structures.
MemoryLayout MemoryFromSmbios(const SmbiosTable& table);
// The same from udev's copy of the memory table, for an ordinary user.
MemoryLayout MemoryFromUdev(const UdevProperties& properties);

// The SMBIOS table when it can be read, else udev's copy; once per query.
const MemoryLayout& ReadMemoryLayout(Machine& machine);

// SMBIOS memory enumerations in the CIM numbering Windows uses.
std::int64_t CimFormFactor(std::uint8_t smbios);
std::int64_t CimMemoryType(std::uint8_t smbios);

}  // namespace hwident
