// Win32_BaseBoard: the main board, from SMBIOS type 2 as DMI exposes it.
#include "platform/linux/provider/classes/provider_classes.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

Fact BaseBoard(M&, I) {
  return Constant("Base Board");
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
};

}  // namespace

const ClassSchema& BaseBoardClass() {
  static const ClassSchema schema{"Win32_BaseBoard", InstanceIfDmi, kProperties};
  return schema;
}

}  // namespace hwident
