// Win32_OnBoardDevice: one object per device built into the board, from
// SMBIOS types 10 and 41 in table order; none without the table (root only).
#include "platform/linux/provider/classes/firmware/smbios_facts.h"
#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/firmware/onboard_devices.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

std::vector<std::string> Devices(M& m) {
  return RecordPlaces(ReadOnBoardDevices(m));
}

const OnBoardDevice* DeviceOf(M& m, I id) {
  return RecordAt(ReadOnBoardDevices(m), id);
}

Fact OnBoardDeviceText(M&, I) {
  return Constant("On Board Device");
}

constexpr PropertySchema kProperties[] = {
    {"Caption", CimType::kString, OnBoardDeviceText},
    {"CreationClassName", CimType::kString, [](M&, I) { return Constant("Win32_OnBoardDevice"); }},
    // The device's own string, as Windows gives it ("VMware SVGA II").
    {"Description", CimType::kString,
     [](M& m, I id) {
       const OnBoardDevice* device = DeviceOf(m, id);
       return device == nullptr ? Fact::Null() : FactFrom(device->description);
     }},
    {"DeviceType", CimType::kUint16,
     [](M& m, I id) {
       const OnBoardDevice* device = DeviceOf(m, id);
       return device == nullptr ? Fact::Null() : NumberFact(device->deviceType);
     }},
    {"Enabled", CimType::kBoolean,
     [](M& m, I id) {
       const OnBoardDevice* device = DeviceOf(m, id);
       return device == nullptr ? Fact::Null() : Fact::Flag(device->enabled);
     }},
    {"HotSwappable", CimType::kBoolean, NullFact},
    {"InstallDate", CimType::kDatetime, NullFact},
    {"Manufacturer", CimType::kString, NullFact},
    {"Model", CimType::kString, NullFact},
    {"Name", CimType::kString, OnBoardDeviceText},
    {"OtherIdentifyingInfo", CimType::kString, NullFact},
    {"PartNumber", CimType::kString, NullFact},
    {"PoweredOn", CimType::kBoolean, NullFact},
    {"Removable", CimType::kBoolean, NullFact},
    {"Replaceable", CimType::kBoolean, NullFact},
    {"SerialNumber", CimType::kString, NullFact},
    {"SKU", CimType::kString, NullFact},
    {"Status", CimType::kString, NullFact},
    {"Tag", CimType::kString, [](M&, I id) { return Fact::Text("On Board Device " + id); }},
    {"Version", CimType::kString, NullFact},
};

}  // namespace

const ClassSchema& OnBoardDeviceClass() {
  static const ClassSchema schema{"Win32_OnBoardDevice", Devices, kProperties};
  return schema;
}

}  // namespace hwident
