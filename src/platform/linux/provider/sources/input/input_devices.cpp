#include "platform/linux/provider/sources/input/input_devices.h"

#include <algorithm>
#include <cctype>

#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

const std::string kInputClass = "/sys/class/input/";
// More input devices than any machine has; the rest of a longer listing is
// not read.
constexpr std::size_t kMaxInputDevices = 4096;

// Event types, codes and properties from the kernel's input ABI.
constexpr std::size_t kEvKey = 1, kEvRel = 2, kEvAbs = 3;
constexpr std::size_t kRelX = 0, kRelY = 1, kAbsX = 0, kAbsY = 1;
constexpr std::size_t kBtnLeft = 0x110, kBtnTask = 0x117;
constexpr std::size_t kBtnToolPen = 0x140, kBtnToolFinger = 0x145, kBtnTouch = 0x14a;
constexpr std::size_t kPropPointingStick = 5;
constexpr std::size_t kLetterKeys[] = {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 30, 31, 32,
                                       33, 34, 35, 36, 37, 38, 44, 45, 46, 47, 48, 49, 50};
// KEY_F1..KEY_F10, KEY_F11, KEY_F12, KEY_F13..KEY_F24.
constexpr std::size_t kFunctionKeys[] = {59,  60,  61,  62,  63,  64,  65,  66,
                                         67,  68,  87,  88,  183, 184, 185, 186,
                                         187, 188, 189, 190, 191, 192, 193, 194};
constexpr std::uint64_t kBusUsb = 0x03, kBusI8042 = 0x11, kBusRs232 = 0x13;

CapabilityBits Bitmap(Machine& m, const std::string& path, unsigned wordBits) {
  const auto text = m.Raw(path);
  if (!text) return {};
  return ParseCapabilityBitmap(*text, wordBits).value_or(CapabilityBits{});
}

std::string Parent(const std::string& path) {
  return path.substr(0, path.rfind('/'));
}

std::string Leaf(const std::string& path) {
  return path.substr(path.rfind('/') + 1);
}

bool IsAcpiId(const std::string& id) {
  return (id.size() == 7 || id.size() == 8) &&
         std::all_of(id.begin(), id.end(), [](unsigned char c) { return std::isalnum(c) != 0; });
}

// A PS/2 port's device on Windows is its ACPI node: ACPI\PNP0303\instance,
// the hardware id the firmware gives the port ("PNP: PNP0303 PNP030b",
// _HID first). Windows' instance hashes the parent's path; this one is the
// port's name.
std::optional<std::string> SerioPnpDeviceId(Machine& m, const std::string& port) {
  const auto firmware = m.Text(port + "/firmware_id");
  if (!firmware || firmware->rfind("PNP: ", 0) != 0) return std::nullopt;
  const std::string ids = firmware->substr(5);
  const std::string hid = ids.substr(0, ids.find(' '));
  if (!IsAcpiId(hid)) return std::nullopt;
  return ToUpper("ACPI\\" + hid + "\\" + Leaf(port));
}

bool IsUsbId(const std::optional<std::string>& id) {
  return id && id->size() == 4 &&
         std::all_of(id->begin(), id->end(), [](unsigned char c) { return std::isxdigit(c) != 0; });
}

// A USB device's HID collection on Windows: HID\VID_v&PID_p\instance, with
// &MI_nn when the device has several interfaces. Windows' instance hashes
// the parent's path; this one is the interface's name on the bus (3-2:1.0).
void ReadUsb(Machine& m, const std::string& device, InputDevice* input) {
  std::string interface = device;
  // The input's parent is the HID device, whose parent is the interface.
  for (int up = 0; up < 4 && !m.Exists(interface + "/bInterfaceNumber"); ++up) {
    interface = Parent(interface);
  }
  const auto number = m.Text(interface + "/bInterfaceNumber");
  if (!number) return;
  const std::string usb = Parent(interface);
  const auto vendor = m.Text(usb + "/idVendor");
  const auto product = m.Text(usb + "/idProduct");
  if (!IsUsbId(vendor) || !IsUsbId(product)) return;
  const auto interfaces =
      ParseDecimalIn(Trim(m.Text(usb + "/bNumInterfaces").value_or("")), 0, 255);
  const auto interfaceNumber = ParseHexIn(Trim(*number), 0xFF);
  std::string id = "HID\\VID_" + *vendor + "&PID_" + *product;
  if (interfaces && *interfaces > 1) {
    if (!interfaceNumber) return;
    const std::string digits = "0123456789ABCDEF";
    id += "&MI_";
    id += digits[*interfaceNumber >> 4];
    id += digits[*interfaceNumber & 0xF];
  }
  input->pnpDeviceId = ToUpper(id + "\\" + Leaf(interface));
  input->manufacturer = m.Text(usb + "/manufacturer");
}

std::optional<InputDevice> ReadInputDevice(Machine& m, const std::string& key, unsigned wordBits) {
  const std::string base = kInputClass + key;
  const auto path = m.Resolve(base);
  // Devices software made (uinput, virtual keyboards of remote desktops)
  // are no hardware Windows would list.
  if (!path || path->rfind("/sys/devices/virtual/", 0) == 0) return std::nullopt;
  if (!m.Raw(base + "/capabilities/ev")) return std::nullopt;
  const CapabilityBits events = Bitmap(m, base + "/capabilities/ev", wordBits);
  const CapabilityBits keys =
      events[kEvKey] ? Bitmap(m, base + "/capabilities/key", wordBits) : CapabilityBits{};
  InputDevice input;
  input.key = key;
  input.keyboard = HasLetterKeys(keys);
  input.functionKeys = CountFunctionKeys(keys);
  for (std::size_t button = kBtnLeft; button <= kBtnTask; ++button) input.buttons += keys[button];
  const CapabilityBits relative =
      events[kEvRel] ? Bitmap(m, base + "/capabilities/rel", wordBits) : CapabilityBits{};
  const CapabilityBits absolute =
      events[kEvAbs] ? Bitmap(m, base + "/capabilities/abs", wordBits) : CapabilityBits{};
  if (keys[kBtnLeft] && relative[kRelX] && relative[kRelY]) {
    const CapabilityBits properties = Bitmap(m, base + "/properties", wordBits);
    input.pointer =
        properties[kPropPointingStick] ? PointerKind::kPointingStick : PointerKind::kMouse;
  } else if (absolute[kAbsX] && absolute[kAbsY] && !keys[kBtnToolPen]) {
    // Touches with finger tools are a touchpad's; touches without them a
    // touchscreen's, which Windows lists as no pointing device, nor a
    // tablet's pen. An absolute pointer with buttons and no touch is the
    // mouse a virtual machine's USB tablet is to Windows.
    if (keys[kBtnTouch] && keys[kBtnToolFinger]) {
      input.pointer = PointerKind::kTouchpad;
    } else if (!keys[kBtnTouch] && keys[kBtnLeft]) {
      input.pointer = PointerKind::kMouse;
    }
  }
  if (!input.keyboard && input.pointer == PointerKind::kNone) return std::nullopt;
  input.name = m.Text(base + "/name");
  const auto bus = ParseHexIn(Trim(m.Text(base + "/id/bustype").value_or("")), 0xFFFF);
  const auto device = m.Resolve(base + "/device");
  if (bus == kBusUsb) {
    input.bus = InputBus::kUsb;
    if (device) ReadUsb(m, *device, &input);
  } else if (bus == kBusI8042 || bus == kBusRs232) {
    input.bus = bus == kBusI8042 ? InputBus::kPs2 : InputBus::kSerial;
    if (device && Leaf(*device).rfind("serio", 0) == 0) {
      input.pnpDeviceId = SerioPnpDeviceId(m, *device);
    }
  }
  return input;
}

}  // namespace

bool HasLetterKeys(const CapabilityBits& keys) {
  return std::all_of(std::begin(kLetterKeys), std::end(kLetterKeys),
                     [&keys](std::size_t code) { return keys[code]; });
}

int CountFunctionKeys(const CapabilityBits& keys) {
  return static_cast<int>(std::count_if(std::begin(kFunctionKeys), std::end(kFunctionKeys),
                                        [&keys](std::size_t code) { return keys[code]; }));
}

const std::vector<InputDevice>& InputDevices(Machine& machine) {
  return machine.Derived<std::vector<InputDevice>>("input devices", [&machine] {
    std::vector<std::pair<std::int64_t, std::string>> numbered;
    for (const std::string& name : machine.List(kInputClass)) {
      if (name.rfind("input", 0) != 0) continue;
      const auto number = ParseDecimalIn(std::string_view(name).substr(5), 0, INT32_MAX);
      if (number) numbered.emplace_back(*number, name);
      if (numbered.size() == kMaxInputDevices) break;
    }
    std::sort(numbered.begin(), numbered.end());
    const unsigned wordBits = KernelLongBits(machine.Live().Architecture());
    std::vector<InputDevice> devices;
    for (const auto& [number, name] : numbered) {
      if (auto device = ReadInputDevice(machine, name, wordBits)) {
        devices.push_back(std::move(*device));
      }
    }
    return devices;
  });
}

const InputDevice* FindInputDevice(Machine& machine, const std::string& key) {
  for (const InputDevice& device : InputDevices(machine)) {
    if (device.key == key) return &device;
  }
  return nullptr;
}

std::vector<std::string> KeyboardKeys(Machine& machine) {
  std::vector<std::string> keys;
  for (const InputDevice& device : InputDevices(machine)) {
    if (device.keyboard) keys.push_back(device.key);
  }
  return keys;
}

std::vector<std::string> PointingDeviceKeys(Machine& machine) {
  std::vector<std::string> keys;
  for (const InputDevice& device : InputDevices(machine)) {
    if (device.pointer != PointerKind::kNone) keys.push_back(device.key);
  }
  return keys;
}

}  // namespace hwident
