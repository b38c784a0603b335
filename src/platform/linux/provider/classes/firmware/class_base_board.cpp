// Win32_BaseBoard: the main board, from SMBIOS type 2 as DMI exposes it.
#include "platform/linux/provider/classes/firmware/smbios_facts.h"
#include "platform/linux/provider/classes/provider_classes.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

Fact BaseBoard(M&, I) {
  return Constant("Base Board");
}

// A feature flag of the type-2 structure (byte 09h), root only.
template <int bit>
Fact Feature(M& m, I) {
  return SmbiosBit(m, 2, smbios_minimum::kBaseBoard, 0x09, bit);
}

constexpr PropertySchema kProperties[] = {
    {"Caption", CimType::kString, BaseBoard},
    {"Description", CimType::kString, BaseBoard},
    {"Manufacturer", CimType::kString, [](M& m, I) { return FactFrom(m.Dmi("board_vendor")); }},
    // Windows leaves Model null; SMBIOS has no field for it.
    {"Model", CimType::kString, [](M&, I) { return Fact::Null(); }},
    {"Name", CimType::kString, BaseBoard},
    {"PoweredOn", CimType::kBoolean, [](M&, I) { return Fact::Flag(true); }},
    {"Product", CimType::kString, [](M& m, I) { return FactFrom(m.Dmi("board_name")); }},
    {"SerialNumber", CimType::kString,
     [](M& m, I) { return FactFrom(m.RootOnlyText(Machine::kDmiDirectory + "board_serial")); }},
    {"Status", CimType::kString, [](M&, I) { return Constant("OK"); }},
    {"Tag", CimType::kString, BaseBoard},
    {"Version", CimType::kString, [](M& m, I) { return FactFrom(m.Dmi("board_version")); }},
    // From the raw SMBIOS table (root only).
    {"ConfigOptions", CimType::kStringArray,
     [](M& m, I) { return SmbiosStringList(m, 12, smbios_minimum::kConfigOptions); }},
    {"HostingBoard", CimType::kBoolean, Feature<0>},
    {"HotSwappable", CimType::kBoolean, Feature<4>},
    {"Removable", CimType::kBoolean, Feature<2>},
    {"Replaceable", CimType::kBoolean, Feature<3>},
    {"RequiresDaughterBoard", CimType::kBoolean, Feature<1>},
};

}  // namespace

const ClassSchema& BaseBoardClass() {
  static const ClassSchema schema{"Win32_BaseBoard", InstanceIfDmi, kProperties};
  return schema;
}

}  // namespace hwident
