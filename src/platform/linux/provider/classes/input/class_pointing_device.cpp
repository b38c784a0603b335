// Win32_PointingDevice: one object per mouse, pointing stick or touchpad
// the kernel lists.
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

// The device's own name ("SynPS/2 Synaptics TouchPad"), where Windows has
// its driver's ("HID-compliant mouse").
Fact Name(M& m, I key) {
  return WithDevice(m, key, [](const InputDevice& d) { return FactFrom(d.name); });
}

Fact PnpDeviceId(M& m, I key) {
  return WithDevice(m, key, [](const InputDevice& d) { return FactFrom(d.pnpDeviceId); });
}

Fact Manufacturer(M& m, I key) {
  return WithDevice(m, key, [](const InputDevice& d) { return FactFrom(d.manufacturer); });
}

// 3 serial, 4 PS/2, 162 USB; other buses have no value of their own.
Fact DeviceInterface(M& m, I key) {
  return WithDevice(m, key, [](const InputDevice& d) {
    switch (d.bus) {
      case InputBus::kSerial:
        return Fact::Number(3);
      case InputBus::kPs2:
        return Fact::Number(4);
      case InputBus::kUsb:
        return Fact::Number(162);
      case InputBus::kOther:
        break;
    }
    return Fact::Null();
  });
}

// The buttons the kernel says the device has (BTN_LEFT to BTN_TASK).
Fact Buttons(M& m, I key) {
  return WithDevice(m, key, [](const InputDevice& d) { return Fact::Number(d.buttons); });
}

// 3 mouse, 5 track point, 7 touch pad.
Fact PointingType(M& m, I key) {
  return WithDevice(m, key, [](const InputDevice& d) {
    switch (d.pointer) {
      case PointerKind::kPointingStick:
        return Fact::Number(5);
      case PointerKind::kTouchpad:
        return Fact::Number(7);
      case PointerKind::kMouse:
      case PointerKind::kNone:
        break;
    }
    return Fact::Number(3);
  });
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
    {"CreationClassName", CimType::kString, [](M&, I) { return Constant("Win32_PointingDevice"); }},
    {"Description", CimType::kString, Name},
    {"DeviceID", CimType::kString, PnpDeviceId},
    {"DeviceInterface", CimType::kUint16, DeviceInterface},
    {"DoubleSpeedThreshold", CimType::kUint32, None},
    {"ErrorCleared", CimType::kBoolean, None},
    {"ErrorDescription", CimType::kString, None},
    {"Handedness", CimType::kUint16, None},
    {"HardwareType", CimType::kString, Name},
    {"InfFileName", CimType::kString, None},
    {"InfSection", CimType::kString, None},
    {"InstallDate", CimType::kDatetime, None},
    {"IsLocked", CimType::kBoolean, None},
    {"LastErrorCode", CimType::kUint32, None},
    {"Manufacturer", CimType::kString, Manufacturer},
    {"Name", CimType::kString, Name},
    {"NumberOfButtons", CimType::kUint8, Buttons},
    {"PNPDeviceID", CimType::kString, PnpDeviceId},
    {"PointingType", CimType::kUint16, PointingType},
    {"PowerManagementCapabilities", CimType::kUint16Array, None},
    {"PowerManagementSupported", CimType::kBoolean, None},
    {"QuadSpeedThreshold", CimType::kUint32, None},
    {"Resolution", CimType::kUint32, None},
    {"SampleRate", CimType::kUint32, None},
    {"Status", CimType::kString, [](M&, I) { return Constant("OK"); }},
    {"StatusInfo", CimType::kUint16, None},
    {"Synch", CimType::kUint32, None},
    {"SystemCreationClassName", CimType::kString,
     [](M&, I) { return Constant("Win32_ComputerSystem"); }},
    {"SystemName", CimType::kString, [](M& m, I) { return FactFrom(NetBiosName(m)); }},
};

}  // namespace

const ClassSchema& PointingDeviceClass() {
  static const ClassSchema schema{"Win32_PointingDevice", PointingDeviceKeys, kProperties};
  return schema;
}

}  // namespace hwident
