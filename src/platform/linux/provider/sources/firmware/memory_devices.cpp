#include "platform/linux/provider/sources/firmware/memory_devices.h"

#include <algorithm>
#include <array>
#include <set>
#include <string_view>

#include "platform/linux/provider/sources/firmware/machine_smbios.h"
#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {
namespace {

constexpr std::uint8_t kMemoryArray = 16;
constexpr std::uint8_t kMemoryDevice = 17;
constexpr std::uint16_t kUnknownWord = 0xFFFF;

template <typename T>
std::optional<std::int64_t> Number(const std::optional<T>& value) {
  if (!value) return std::nullopt;
  return static_cast<std::int64_t>(*value);
}

// A width of FFFFh is "unknown".
std::optional<std::int64_t> Width(const std::optional<std::uint16_t>& value) {
  if (!value || *value == kUnknownWord) return std::nullopt;
  return *value;
}

// Speeds above 65534 MT/s moved to a 32-bit field (SMBIOS 3.3).
std::optional<std::int64_t> Speed(const SmbiosStructure& s, std::size_t offset,
                                  std::size_t extended) {
  const auto speed = s.Word(offset);
  if (!speed) return std::nullopt;
  if (*speed != kUnknownWord) return *speed;
  return Number(s.Dword(extended));
}

// The size word: 0 no module, FFFFh unknown, bit 15 set counts KB, 7FFFh
// hands over to the extended size (MB) of SMBIOS 2.7.
std::optional<std::uint64_t> Capacity(const SmbiosStructure& s, std::uint16_t size) {
  constexpr std::uint64_t kKilobyte = 1024;
  constexpr std::uint64_t kMegabyte = 1024 * 1024;
  if (size == kUnknownWord) return std::nullopt;
  if ((size & 0x8000) != 0) return (size & 0x7FFFu) * kKilobyte;
  if (size == 0x7FFF) {
    if (const auto extended = s.Dword(0x1C)) return (*extended & 0x7FFFFFFFu) * kMegabyte;
  }
  return size * kMegabyte;
}

MemoryModule ModuleFrom(const SmbiosStructure& s, std::size_t slot, std::uint16_t size) {
  MemoryModule module;
  module.slot = slot;
  module.capacity = Capacity(s, size);
  module.totalWidth = Width(s.Word(0x08));
  module.dataWidth = Width(s.Word(0x0A));
  if (const auto form = s.Byte(0x0E)) module.formFactor = CimFormFactor(*form);
  module.deviceLocator = s.String(0x10);
  module.bankLabel = s.String(0x11);
  module.smbiosMemoryType = Number(s.Byte(0x12));
  if (const auto type = s.Byte(0x12)) module.memoryType = CimMemoryType(*type);
  module.typeDetail = Number(s.Word(0x13));
  module.speed = Speed(s, 0x15, 0x54);
  module.manufacturer = s.String(0x17);
  module.serialNumber = s.String(0x18);
  module.partNumber = s.String(0x1A);
  // The low nibble is the rank; the rest is reserved.
  if (const auto attributes = s.Byte(0x1B)) module.attributes = *attributes & 0x0F;
  module.configuredClockSpeed = Speed(s, 0x20, 0x58);
  module.minVoltage = Number(s.Word(0x22));
  module.maxVoltage = Number(s.Word(0x24));
  module.configuredVoltage = Number(s.Word(0x26));
  return module;
}

MemoryArray ArrayFrom(const SmbiosStructure& s) {
  MemoryArray array;
  array.location = Number(s.Byte(0x04));
  array.use = Number(s.Byte(0x05));
  array.errorCorrection = Number(s.Byte(0x06));
  // 80000000h hands over to the extended capacity in bytes (SMBIOS 2.7).
  if (const auto kb = s.Dword(0x07); kb && *kb != 0x80000000u) {
    array.maxCapacityKb = *kb;
  } else if (const auto bytes = s.Qword(0x0F)) {
    array.maxCapacityKb = *bytes / 1024;
  }
  array.memoryDevices = Number(s.Word(0x0D));
  return array;
}

// Position of name in names, counted from first; case ignored.
template <std::size_t N>
std::optional<std::int64_t> CodeOf(const std::string& name,
                                   const std::array<std::string_view, N>& names, int first) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (!names[i].empty() && ToUpper(std::string(names[i])) == ToUpper(name)) {
      return first + static_cast<std::int64_t>(i);
    }
  }
  return std::nullopt;
}

// The names of the table's form-factor and memory-type values, indexed by
// value less one: udev's copy of the table carries them as text.
constexpr std::array<std::string_view, 17> kFormFactorNames = {
    "Other", "Unknown", "SIMM",         "SIP",  "Chip",   "DIP",   "ZIP",     "Proprietary Card",
    "DIMM",  "TSOP",    "Row Of Chips", "RIMM", "SODIMM", "SRIMM", "FB-DIMM", "Die",
    "CAMM"};
constexpr std::array<std::string_view, 36> kMemoryTypeNames = {"Other",
                                                               "Unknown",
                                                               "DRAM",
                                                               "EDRAM",
                                                               "VRAM",
                                                               "SRAM",
                                                               "RAM",
                                                               "ROM",
                                                               "Flash",
                                                               "EEPROM",
                                                               "FEPROM",
                                                               "EPROM",
                                                               "CDRAM",
                                                               "3DRAM",
                                                               "SDRAM",
                                                               "SGRAM",
                                                               "RDRAM",
                                                               "DDR",
                                                               "DDR2",
                                                               "DDR2 FB-DIMM",
                                                               "",
                                                               "",
                                                               "",
                                                               "DDR3",
                                                               "FBD2",
                                                               "DDR4",
                                                               "LPDDR",
                                                               "LPDDR2",
                                                               "LPDDR3",
                                                               "LPDDR4",
                                                               "Logical non-volatile device",
                                                               "HBM",
                                                               "HBM2",
                                                               "DDR5",
                                                               "LPDDR5",
                                                               "HBM3"};
constexpr std::array<std::string_view, 10> kLocationNames = {"Other",
                                                             "Unknown",
                                                             "System Board Or Motherboard",
                                                             "ISA Add-on Card",
                                                             "EISA Add-on Card",
                                                             "PCI Add-on Card",
                                                             "MCA Add-on Card",
                                                             "PCMCIA Add-on Card",
                                                             "Proprietary Add-on Card",
                                                             "NuBus"};
constexpr std::array<std::string_view, 7> kErrorCorrectionNames = {
    "Other", "Unknown", "None", "Parity", "Single-bit ECC", "Multi-bit ECC", "CRC"};

std::optional<std::string> Value(const UdevProperties& properties, const std::string& key) {
  const auto found = properties.find(key);
  if (found == properties.end()) return std::nullopt;
  return found->second;
}

std::optional<std::int64_t> DecimalValue(const UdevProperties& properties, const std::string& key) {
  const auto text = Value(properties, key);
  return text ? ParseDecimal(*text) : std::nullopt;
}

// Volts as udev writes them ("1.2", "1.35") in millivolts, as SMBIOS keeps
// them; at most three decimals, nothing else.
std::optional<std::int64_t> Millivolts(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  const std::size_t dot = text->find('.');
  const auto whole = ParseDecimal(text->substr(0, dot));
  if (!whole || *whole > 65) return std::nullopt;
  std::string fraction = dot == std::string::npos ? "" : text->substr(dot + 1);
  if (fraction.size() > 3) return std::nullopt;
  fraction.resize(3, '0');
  const auto thousandths = ParseDecimal(fraction);
  if (!thousandths) return std::nullopt;
  return *whole * 1000 + *thousandths;
}

}  // namespace

std::int64_t CimFormFactor(std::uint8_t smbios) {
  // SMBIOS form factor 1..0x0E to CIM; those CIM has no name for are 0.
  constexpr std::array<std::int64_t, 15> kCim = {0, 1, 0, 7, 2, 0, 3, 4, 6, 8, 9, 0, 11, 12, 13};
  return smbios < kCim.size() ? kCim[smbios] : 0;
}

std::int64_t CimMemoryType(std::uint8_t smbios) {
  // SMBIOS memory types up to FBD2 (19h) have a CIM counterpart; later
  // ones (DDR4 onwards) are 0, as Windows shows them.
  constexpr std::array<std::int64_t, 26> kCim = {
      0, 1, 0, 2, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 0, 0, 0, 24, 25};
  return smbios < kCim.size() ? kCim[smbios] : 0;
}

MemoryLayout MemoryFromSmbios(const SmbiosTable& table) {
  MemoryLayout layout;
  std::size_t slot = 0;
  for (const SmbiosStructure* device : table.OfType(kMemoryDevice, smbios_minimum::kMemoryDevice)) {
    const std::uint16_t size = device->Word(0x0C).value_or(0);
    if (size != 0) layout.modules.push_back(ModuleFrom(*device, slot, size));
    ++slot;
  }
  for (const SmbiosStructure* array : table.OfType(kMemoryArray, smbios_minimum::kMemoryArray)) {
    layout.arrays.push_back(ArrayFrom(*array));
  }
  return layout;
}

MemoryLayout MemoryFromUdev(const UdevProperties& properties) {
  MemoryLayout layout;
  const std::string prefix = "MEMORY_DEVICE_";
  std::set<std::int64_t> slots;
  for (const auto& [key, value] : properties) {
    if (key.compare(0, prefix.size(), prefix) != 0) continue;
    const std::size_t underscore = key.find('_', prefix.size());
    if (underscore == std::string::npos) continue;
    const auto slot = ParseDecimal(key.substr(prefix.size(), underscore - prefix.size()));
    if (slot && *slot < 4096) slots.insert(*slot);
  }
  for (const std::int64_t slot : slots) {
    const std::string key = prefix + std::to_string(slot) + "_";
    const auto size = DecimalValue(properties, key + "SIZE");
    if (Value(properties, key + "PRESENT") == "0" || !size || *size <= 0) continue;
    MemoryModule module;
    module.slot = static_cast<std::size_t>(slot);
    module.capacity = static_cast<std::uint64_t>(*size);
    module.deviceLocator = Value(properties, key + "LOCATOR");
    module.bankLabel = Value(properties, key + "BANK_LOCATOR");
    module.manufacturer = Value(properties, key + "MANUFACTURER");
    module.serialNumber = Value(properties, key + "SERIAL_NUMBER");
    module.partNumber = Value(properties, key + "PART_NUMBER");
    module.speed = DecimalValue(properties, key + "SPEED_MTS");
    module.configuredClockSpeed = DecimalValue(properties, key + "CONFIGURED_SPEED_MTS");
    module.totalWidth = DecimalValue(properties, key + "TOTAL_WIDTH");
    module.dataWidth = DecimalValue(properties, key + "DATA_WIDTH");
    module.attributes = DecimalValue(properties, key + "RANK");
    module.minVoltage = Millivolts(Value(properties, key + "MINIMUM_VOLTAGE"));
    module.maxVoltage = Millivolts(Value(properties, key + "MAXIMUM_VOLTAGE"));
    module.configuredVoltage = Millivolts(Value(properties, key + "CONFIGURED_VOLTAGE"));
    if (const auto form = Value(properties, key + "FORM_FACTOR")) {
      if (const auto code = CodeOf(*form, kFormFactorNames, 1)) {
        module.formFactor = CimFormFactor(static_cast<std::uint8_t>(*code));
      }
    }
    if (const auto type = Value(properties, key + "TYPE")) {
      module.smbiosMemoryType = CodeOf(*type, kMemoryTypeNames, 1);
      if (module.smbiosMemoryType) {
        module.memoryType = CimMemoryType(static_cast<std::uint8_t>(*module.smbiosMemoryType));
      }
    }
    layout.modules.push_back(std::move(module));
  }
  const auto location = Value(properties, "MEMORY_ARRAY_LOCATION");
  const auto correction = Value(properties, "MEMORY_ARRAY_EC_TYPE");
  const auto capacity = DecimalValue(properties, "MEMORY_ARRAY_MAX_CAPACITY");
  const auto devices = DecimalValue(properties, "MEMORY_ARRAY_NUM_DEVICES");
  if (location || correction || capacity || devices) {
    MemoryArray array;
    if (location) array.location = CodeOf(*location, kLocationNames, 1);
    if (correction) array.errorCorrection = CodeOf(*correction, kErrorCorrectionNames, 1);
    if (capacity && *capacity >= 0)
      array.maxCapacityKb = static_cast<std::uint64_t>(*capacity) / 1024;
    array.memoryDevices = devices;
    layout.arrays.push_back(array);
  }
  return layout;
}

const MemoryLayout& ReadMemoryLayout(Machine& machine) {
  return machine.Derived<MemoryLayout>("memory layout", [&machine] {
    if (const SmbiosTable* table = ReadSmbios(machine)) return MemoryFromSmbios(*table);
    return MemoryFromUdev(DmiUdevProperties(machine));
  });
}

}  // namespace hwident
