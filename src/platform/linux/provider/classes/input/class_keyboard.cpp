// Win32_Keyboard: one object per input device with every letter key.
#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/input/input_devices.h"
#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

template <typename Read>
Fact WithDevice(M& m, I key, Read read) {
  const InputDevice* device = FindInputDevice(m, key);
  return device == nullptr ? Fact::Null() : read(*device);
}

// The device's own name: Windows names a keyboard by its driver's entry
// ("Enhanced (101- or 102-key)", "HID Keyboard Device"), which Linux has
// no equivalent of.
Fact Name(M& m, I key) {
  return WithDevice(m, key, [](const InputDevice& d) { return FactFrom(d.name); });
}

Fact PnpDeviceId(M& m, I key) {
  return WithDevice(m, key, [](const InputDevice& d) { return FactFrom(d.pnpDeviceId); });
}

Fact FunctionKeys(M& m, I key) {
  return WithDevice(m, key, [](const InputDevice& d) { return Fact::Number(d.functionKeys); });
}

Fact None(M&, I) {
  return Fact::Null();
}

constexpr PropertySchema kProperties[] = {
    {"Availability", CimType::kUint16, None},
    {"Caption", CimType::kString, Name},
    // 0: the device works; a device the kernel lists has its driver.
    {"ConfigManagerErrorCode", CimType::kUint32, [](M&, I) { return Fact::Number(0); }},
    {"ConfigManagerUserConfig", CimType::kBoolean, [](M&, I) { return Fact::Flag(false); }},
    {"CreationClassName", CimType::kString, [](M&, I) { return Constant("Win32_Keyboard"); }},
    {"Description", CimType::kString, Name},
    {"DeviceID", CimType::kString, PnpDeviceId},
    {"ErrorCleared", CimType::kBoolean, None},
    {"ErrorDescription", CimType::kString, None},
    {"InstallDate", CimType::kDatetime, None},
    {"IsLocked", CimType::kBoolean, None},
    {"LastErrorCode", CimType::kUint32, None},
    {"Layout", CimType::kString, None},
    {"Name", CimType::kString, Name},
    {"NumberOfFunctionKeys", CimType::kUint16, FunctionKeys},
    {"Password", CimType::kUint16, None},
    {"PNPDeviceID", CimType::kString, PnpDeviceId},
    {"PowerManagementCapabilities", CimType::kUint16Array, None},
    {"PowerManagementSupported", CimType::kBoolean, None},
    {"Status", CimType::kString, [](M&, I) { return Constant("OK"); }},
    {"StatusInfo", CimType::kUint16, None},
    {"SystemCreationClassName", CimType::kString,
     [](M&, I) { return Constant("Win32_ComputerSystem"); }},
    {"SystemName", CimType::kString, [](M& m, I) { return FactFrom(NetBiosName(m)); }},
};

}  // namespace

const ClassSchema& KeyboardClass() {
  static const ClassSchema schema{"Win32_Keyboard", KeyboardKeys, kProperties};
  return schema;
}

}  // namespace hwident
