// Win32_PhysicalMemory: one object per installed memory module, from SMBIOS
// type 17, or from udev's copy of it for an ordinary user.
#include <type_traits>

#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/firmware/memory_devices.h"
#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

// Instances are positions in the module list the query read.
std::vector<std::string> Modules(M& m) {
  std::vector<std::string> ids;
  for (std::size_t i = 0; i < ReadMemoryLayout(m).modules.size(); ++i) {
    ids.push_back(std::to_string(i));
  }
  return ids;
}

const MemoryModule* ModuleOf(M& m, I id) {
  const auto& modules = ReadMemoryLayout(m).modules;
  const auto index = ParseDecimal(id);
  if (!index || *index < 0 || static_cast<std::size_t>(*index) >= modules.size()) return nullptr;
  return &modules[static_cast<std::size_t>(*index)];
}

// One field of the module, as a property reader.
template <auto member>
Fact Field(M& m, I id) {
  const MemoryModule* module = ModuleOf(m, id);
  if (module == nullptr) return Fact::Null();
  const auto& value = module->*member;
  if (!value) return Fact::Null();
  if constexpr (std::is_same_v<std::decay_t<decltype(*value)>, std::string>) {
    return Fact::Text(*value);
  } else {
    return Fact::Text(std::to_string(*value));
  }
}

Fact PhysicalMemory(M&, I) {
  return Constant("Physical Memory");
}

// Windows numbers the tags by slot, so empty slots leave gaps.
Fact Tag(M& m, I id) {
  const MemoryModule* module = ModuleOf(m, id);
  if (module == nullptr) return Fact::Null();
  return Fact::Text("Physical Memory " + std::to_string(module->slot));
}

constexpr PropertySchema kProperties[] = {
    {"Attributes", CimType::kUint32, Field<&MemoryModule::attributes>},
    {"BankLabel", CimType::kString, Field<&MemoryModule::bankLabel>},
    {"Capacity", CimType::kUint64, Field<&MemoryModule::capacity>},
    {"Caption", CimType::kString, PhysicalMemory},
    {"ConfiguredClockSpeed", CimType::kUint32, Field<&MemoryModule::configuredClockSpeed>},
    {"ConfiguredVoltage", CimType::kUint32, Field<&MemoryModule::configuredVoltage>},
    {"CreationClassName", CimType::kString, [](M&, I) { return Constant("Win32_PhysicalMemory"); }},
    {"DataWidth", CimType::kUint16, Field<&MemoryModule::dataWidth>},
    {"Description", CimType::kString, PhysicalMemory},
    {"DeviceLocator", CimType::kString, Field<&MemoryModule::deviceLocator>},
    {"FormFactor", CimType::kUint16, Field<&MemoryModule::formFactor>},
    {"Manufacturer", CimType::kString, Field<&MemoryModule::manufacturer>},
    {"MaxVoltage", CimType::kUint32, Field<&MemoryModule::maxVoltage>},
    {"MemoryType", CimType::kUint16, Field<&MemoryModule::memoryType>},
    {"MinVoltage", CimType::kUint32, Field<&MemoryModule::minVoltage>},
    {"Name", CimType::kString, PhysicalMemory},
    {"PartNumber", CimType::kString, Field<&MemoryModule::partNumber>},
    {"SerialNumber", CimType::kString, Field<&MemoryModule::serialNumber>},
    {"SMBIOSMemoryType", CimType::kUint32, Field<&MemoryModule::smbiosMemoryType>},
    {"Speed", CimType::kUint32, Field<&MemoryModule::speed>},
    {"Tag", CimType::kString, Tag},
    {"TotalWidth", CimType::kUint16, Field<&MemoryModule::totalWidth>},
    {"TypeDetail", CimType::kUint16, Field<&MemoryModule::typeDetail>},
};

}  // namespace

const ClassSchema& PhysicalMemoryClass() {
  static const ClassSchema schema{"Win32_PhysicalMemory", Modules, kProperties};
  return schema;
}

}  // namespace hwident
