// Win32_ComputerSystemProduct: the product as its maker identifies it.
#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/firmware/system_uuid.h"
#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

// The serial: SMBIOS's (root only) on DMI machines; boards without DMI keep
// one in the device tree, and the Raspberry Pi kernel also prints it in
// /proc/cpuinfo.
Fact IdentifyingNumber(M& m, I) {
  if (m.HasDmi()) return FactFrom(m.RootOnlyText(Machine::kDmiDirectory + "product_serial"));
  if (const auto serial = DeviceTreeText(m, "/proc/device-tree/serial-number")) {
    return Fact::Text(*serial);
  }
  return FactFrom(Field(ReadCpuInfo(m).board, "Serial"));
}

Fact Name(M& m, I) {
  if (m.HasDmi()) return FactFrom(m.Dmi("product_name"));
  return FactFrom(DeviceTreeText(m, "/proc/device-tree/model"));
}

// Windows reads the first three fields little-endian on every machine; the
// kernel only for SMBIOS 2.6 and later (see SystemUuid).
Fact Uuid(M& m, I) {
  return FactFrom(SystemUuid(m));
}

constexpr PropertySchema kProperties[] = {
    {"Caption", CimType::kString, [](M&, I) { return Constant("Computer System Product"); }},
    {"Description", CimType::kString, [](M&, I) { return Constant("Computer System Product"); }},
    {"IdentifyingNumber", CimType::kString, IdentifyingNumber},
    {"Name", CimType::kString, Name},
    {"SKUNumber", CimType::kString, [](M& m, I) { return FactFrom(m.Dmi("product_sku")); }},
    {"UUID", CimType::kString, Uuid},
    {"Vendor", CimType::kString, [](M& m, I) { return FactFrom(m.Dmi("sys_vendor")); }},
    {"Version", CimType::kString, [](M& m, I) { return FactFrom(m.Dmi("product_version")); }},
};

}  // namespace

const ClassSchema& ComputerSystemProductClass() {
  static const ClassSchema schema{"Win32_ComputerSystemProduct", SingleInstance, kProperties};
  return schema;
}

}  // namespace hwident
