#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/sources/input/capability_bitmap.h"

namespace hwident {

// The bus an input device hangs off, as id/bustype numbers it.
enum class InputBus { kOther, kUsb, kPs2, kSerial };

enum class PointerKind { kNone, kMouse, kPointingStick, kTouchpad };

// What the kernel says of one /sys/class/input/inputN, and what it is to
// Windows: a keyboard, a pointing device, both or neither.
struct InputDevice {
  std::string key;                  // "input3"
  std::optional<std::string> name;  // the device's own ("AT Translated Set 2 keyboard")
  InputBus bus = InputBus::kOther;
  bool keyboard = false;
  PointerKind pointer = PointerKind::kNone;
  int functionKeys = 0;
  int buttons = 0;
  std::optional<std::string> pnpDeviceId;
  std::optional<std::string> manufacturer;
};

// The keys a device must have for Windows to list it as a keyboard: every
// letter. Power and sleep buttons, lid switches, the PC speaker, the video
// bus's brightness keys and media-key collections have none.
bool HasLetterKeys(const CapabilityBits& keys);
// F1 to F24 the device can send.
int CountFunctionKeys(const CapabilityBits& keys);

// Every input device on real hardware (not under /sys/devices/virtual), in
// the kernel's numbering.
const std::vector<InputDevice>& InputDevices(Machine& machine);
const InputDevice* FindInputDevice(Machine& machine, const std::string& key);

// The devices Windows lists as keyboards, and as pointing devices.
std::vector<std::string> KeyboardKeys(Machine& machine);
std::vector<std::string> PointingDeviceKeys(Machine& machine);

}  // namespace hwident
