// Win32_SystemEnclosure: the chassis, from SMBIOS type 3 as DMI exposes it.
#include "platform/linux/provider/classes/firmware/smbios_facts.h"
#include "platform/linux/provider/classes/provider_classes.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

Fact SystemEnclosure(M&, I) {
  return Constant("System Enclosure");
}

// DMI prints the one chassis type (already without the lock bit); SMBIOS and
// Windows number the types alike.
Fact ChassisTypes(M& m, I) {
  const auto type = m.Dmi("chassis_type");
  if (!type) return Fact::Null();
  return Fact::List({*type});
}

constexpr PropertySchema kProperties[] = {
    {"Caption", CimType::kString, SystemEnclosure},
    {"ChassisTypes", CimType::kUint16Array, ChassisTypes},
    {"Description", CimType::kString, SystemEnclosure},
    {"Manufacturer", CimType::kString, [](M& m, I) { return FactFrom(m.Dmi("chassis_vendor")); }},
    {"Name", CimType::kString, SystemEnclosure},
    {"SerialNumber", CimType::kString,
     [](M& m, I) { return FactFrom(m.RootOnlyText(Machine::kDmiDirectory + "chassis_serial")); }},
    {"SMBIOSAssetTag", CimType::kString,
     [](M& m, I) { return FactFrom(m.Dmi("chassis_asset_tag")); }},
    {"Tag", CimType::kString, [](M&, I) { return Constant("System Enclosure 0"); }},
    {"Version", CimType::kString, [](M& m, I) { return FactFrom(m.Dmi("chassis_version")); }},
    // From the raw SMBIOS table (root only): sysfs masks the lock bit off
    // the chassis type.
    {"LockPresent", CimType::kBoolean,
     [](M& m, I) { return SmbiosBit(m, 3, smbios_minimum::kEnclosure, 0x05, 7); }},
    {"SecurityStatus", CimType::kUint16,
     [](M& m, I) { return SmbiosByte(m, 3, smbios_minimum::kEnclosure, 0x0C); }},
};

}  // namespace

const ClassSchema& SystemEnclosureClass() {
  static const ClassSchema schema{"Win32_SystemEnclosure", InstanceIfDmi, kProperties};
  return schema;
}

}  // namespace hwident
