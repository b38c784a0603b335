#include "platform/linux/provider/sources/devices/pnp_devices.h"

#include <algorithm>
#include <unordered_map>

#include "platform/linux/provider/sources/display/drm_outputs.h"
#include "platform/linux/provider/sources/display/edid.h"
#include "platform/linux/provider/sources/input/input_devices.h"
#include "platform/linux/provider/sources/sound/sound_devices.h"
#include "platform/linux/provider/sources/storage/block_disk.h"
#include "platform/linux/provider/sources/system/bus_device.h"
#include "platform/linux/provider/sources/system/pci_function.h"
#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/sources/system/udev_database.h"

namespace hwident {
namespace {

const std::string kPciDevices = "/sys/bus/pci/devices/";
const std::string kUsbDevices = "/sys/bus/usb/devices/";
const std::string kAcpiDevices = "/sys/bus/acpi/devices/";
const std::string kSoundClass = "/sys/class/sound/";
const std::string kBlock = "/sys/block/";

// A device key split at its first colon.
struct Key {
  std::string kind, name;
};

Key SplitKey(const std::string& key) {
  const std::size_t colon = key.find(':');
  if (colon == std::string::npos) return {};
  return {key.substr(0, colon), key.substr(colon + 1)};
}

std::optional<std::string> Leaf(const std::optional<std::string>& path) {
  if (!path) return std::nullopt;
  return path->substr(path->rfind('/') + 1);
}

// "03" or " 2" as the USB descriptors' attributes print them.
std::optional<std::uint32_t> UsbNumber(Machine& machine, const std::string& path, bool hex) {
  const auto text = machine.Text(path);
  if (!text) return std::nullopt;
  const std::string digits = Trim(*text);
  if (hex) return ParseHex(digits);
  const auto value = ParseDecimal(digits);
  if (!value || *value < 0 || *value > 255) return std::nullopt;
  return static_cast<std::uint32_t>(*value);
}

bool IsUsbInterface(const std::string& name) {
  return name.find(':') != std::string::npos;
}

// Root hubs ("usb1") are the controller's own ports; Linux shows two per
// xHCI controller (USB 2 and 3) where Windows has one, so neither is listed.
bool IsUsbDevice(const std::string& name) {
  return !name.empty() && name.compare(0, 3, "usb") != 0 && !IsUsbInterface(name);
}

std::optional<std::uint32_t> InterfaceCount(Machine& machine, const std::string& device) {
  return UsbNumber(machine, kUsbDevices + device + "/bNumInterfaces", false);
}

// The interfaces of the device's active configuration, in number order.
std::vector<std::string> InterfacesOf(Machine& machine, const std::string& device) {
  std::vector<std::string> interfaces;
  for (const std::string& entry : machine.List(kUsbDevices)) {
    if (entry.size() > device.size() && entry.compare(0, device.size(), device) == 0 &&
        entry[device.size()] == ':') {
      interfaces.push_back(entry);
    }
  }
  return interfaces;
}

// An ACPI device is listed when it has a hardware id Windows could also
// see (the kernel's own LNX ids name no device) and its _STA, where it has
// one, says it is present.
bool IsListedAcpiDevice(Machine& machine, const std::string& name) {
  const auto hid = machine.Text(kAcpiDevices + name + "/hid");
  if (!hid || hid->empty() || hid->compare(0, 3, "LNX") == 0) return false;
  if (const auto status = machine.Text(kAcpiDevices + name + "/status")) {
    const auto value = ParseDecimal(Trim(*status));
    if (value && (*value & 1) == 0) return false;
  }
  return true;
}

// Connected outputs with an EDID, as Win32_DesktopMonitor lists them.
bool IsMonitor(Machine& machine, const std::string& name) {
  const auto output = ReadDrmOutput(machine, name);
  return output && output->connected && output->edid && !output->edid->empty();
}

std::vector<std::string> ListKeys(Machine& machine) {
  std::vector<std::string> keys;
  for (const std::string& address : machine.List(kPciDevices)) keys.push_back("pci:" + address);
  const std::vector<std::string> usb = machine.List(kUsbDevices);
  for (const std::string& name : usb) {
    if (IsUsbDevice(name)) {
      keys.push_back("usb:" + name);
      continue;
    }
    // Windows gives each interface of a composite device its own node; a
    // device with one interface is one node.
    if (!IsUsbInterface(name)) continue;
    const std::string device = name.substr(0, name.find(':'));
    if (!IsUsbDevice(device)) continue;
    const auto count = InterfaceCount(machine, device);
    if (count && *count > 1) keys.push_back("usbif:" + name);
  }
  // A PS/2 port's ACPI node is listed as the input device behind it, with
  // the id Win32_Keyboard and Win32_PointingDevice give it.
  std::vector<std::string> ps2Ids;
  for (const InputDevice& input : InputDevices(machine)) {
    const auto& id = input.pnpDeviceId;
    if (id && id->compare(0, 5, "ACPI\\") == 0)
      ps2Ids.push_back(id->substr(5, id->find('\\', 5) - 5));
  }
  for (const std::string& name : machine.List(kAcpiDevices)) {
    if (!IsListedAcpiDevice(machine, name)) continue;
    const std::string hid = ToUpper(Trim(machine.Text(kAcpiDevices + name + "/hid").value_or("")));
    if (std::find(ps2Ids.begin(), ps2Ids.end(), hid) != ps2Ids.end()) continue;
    keys.push_back("acpi:" + name);
  }
  for (const std::string& sound : SoundDeviceKeys(machine)) {
    if (sound.compare(0, 3, "hwC") == 0) keys.push_back("hda:" + sound);
  }
  for (const std::string& output : DrmOutputNames(machine)) {
    if (IsMonitor(machine, output)) keys.push_back("monitor:" + output);
  }
  for (const std::string& disk : DiskNames(machine)) keys.push_back("disk:" + disk);
  for (const InputDevice& input : InputDevices(machine)) keys.push_back("input:" + input.key);
  return keys;
}

std::optional<std::string> DriverOf(Machine& machine, const std::string& devicePath) {
  return Leaf(machine.Resolve(devicePath + "/driver"));
}

// The device id without its instance part.
std::optional<std::string> WithoutInstance(const std::optional<std::string>& id) {
  if (!id) return std::nullopt;
  const std::size_t slash = id->rfind('\\');
  if (slash == std::string::npos || slash == 0) return std::nullopt;
  return id->substr(0, slash);
}

void Bind(Machine& machine, const std::string& devicePath, PnpFacts* facts) {
  facts->driver = DriverOf(machine, devicePath);
  if (facts->driver) facts->driverDevice = devicePath;
}

// What a PCI function's uevent ("KEY=value" lines) says of its identity and
// binding, each the value of its key's first line, pointing into the text:
// one pass over it for all four.
struct PciUevent {
  std::optional<std::string_view> classCode, id, subsystemId, driver;
};

PciUevent ParsePciUevent(std::string_view text) {
  PciUevent values;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(at, end - at);
    at = end + 1;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, equals);
    std::optional<std::string_view>* value = key == "PCI_CLASS"       ? &values.classCode
                                             : key == "PCI_ID"        ? &values.id
                                             : key == "PCI_SUBSYS_ID" ? &values.subsystemId
                                             : key == "DRIVER"        ? &values.driver
                                                                      : nullptr;
    if (value != nullptr && !*value) *value = line.substr(equals + 1);
  }
  return values;
}

// "8086:A0ED" -> both halves; nothing unless both are hex of at most four
// digits.
bool ParseIdPair(const std::optional<std::string_view>& text, std::uint16_t* first,
                 std::uint16_t* second) {
  if (!text) return false;
  const std::size_t colon = text->find(':');
  if (colon == std::string_view::npos || colon == 0 || colon > 4 || text->size() - colon - 1 > 4) {
    return false;
  }
  const auto a = ParseHex(text->substr(0, colon));
  const auto b = ParseHex(text->substr(colon + 1));
  if (!a || !b) return false;
  *first = static_cast<std::uint16_t>(*a);
  *second = static_cast<std::uint16_t>(*b);
  return true;
}

// The function's ids and driver from its uevent, which the kernel writes
// from the same binding the driver link shows, and its revision: two reads
// where the attribute files take six and a link resolved. Each is read once
// per query, for the device's facts, so neither is kept. A uevent without
// the ids (an old kernel) leaves the attribute files to tell.
std::optional<PciFunction> ReadPciIdentity(Machine& machine, const std::string& address,
                                           std::optional<std::string>* driver, bool* fromUevent) {
  *fromUevent = false;
  std::string path = kPciDevices;
  path.append(address).append("/uevent");
  const std::optional<std::string> uevent = machine.ReadOnce(path);
  const PciUevent values = uevent ? ParsePciUevent(*uevent) : PciUevent{};
  PciFunction function;
  const auto parsedClass = values.classCode && values.classCode->size() <= 6
                               ? ParseHex(*values.classCode)
                               : std::nullopt;
  if (!uevent || !parsedClass || !ParseIdPair(values.id, &function.vendor, &function.device) ||
      !ParseIdPair(values.subsystemId, &function.subsystemVendor, &function.subsystemDevice)) {
    return ReadPciFunction(machine, address);
  }
  path.replace(path.size() - 6, 6, "revision");
  const std::optional<std::string> revision = machine.ReadOnce(path);
  const auto parsedRevision = revision ? ParseHex(Trim(*revision)) : std::nullopt;
  if (!parsedRevision || *parsedRevision > 0xFF) return ReadPciFunction(machine, address);
  function.address = address;
  function.classCode = *parsedClass;
  function.revision = static_cast<std::uint8_t>(*parsedRevision);
  if (values.driver && !values.driver->empty()) *driver = std::string(*values.driver);
  *fromUevent = true;
  return function;
}

PnpFacts PciFacts(Machine& machine, const std::string& address) {
  PnpFacts facts;
  std::optional<std::string> ueventDriver;
  bool fromUevent = false;
  const auto function = ReadPciIdentity(machine, address, &ueventDriver, &fromUevent);
  if (!function) return facts;
  facts.pnpDeviceId = PciPnpDeviceId(*function);
  facts.hardwareId = WithoutInstance(facts.pnpDeviceId);
  facts.pciClass = function->classCode;
  if (fromUevent) {
    facts.driver = ueventDriver;
    if (facts.driver) facts.driverDevice = kPciDevices + address;
  } else {
    Bind(machine, kPciDevices + address, &facts);
  }
  const std::uint32_t base = function->classCode >> 16;
  // Bridges and RAM controllers have Windows' generic PCI driver; Linux
  // serves them in its PCI core without binding one, and they work.
  const bool coreServed = base == 0x05 || base == 0x06;
  if (facts.driver || coreServed) {
    facts.setupClass = PciSetupClass(function->classCode);
    facts.errorCode = 0;
  } else {
    // A function without a driver is an unknown device to Windows too:
    // no class, "drivers not installed".
    facts.errorCode = 28;
  }
  return facts;
}

// USB\VID_vvvv&PID_pppp&MI_nn\<interface's bus name>: Windows' interface
// instance is a hash; this one is the interface's name, as the sound
// devices give it.
std::optional<std::string> UsbInterfaceId(Machine& machine, const std::string& name) {
  const std::string device = name.substr(0, name.find(':'));
  const auto vendor = machine.Text(kUsbDevices + device + "/idVendor");
  const auto product = machine.Text(kUsbDevices + device + "/idProduct");
  const auto number = UsbNumber(machine, kUsbDevices + name + "/bInterfaceNumber", true);
  const auto vendorId = vendor ? ParseHex(Trim(*vendor)) : std::nullopt;
  const auto productId = product ? ParseHex(Trim(*product)) : std::nullopt;
  if (!vendorId || !productId || !number) return std::nullopt;
  return ToUpper("USB\\VID_" + HexDigits(*vendorId & 0xFFFF, 4) + "&PID_" +
                 HexDigits(*productId & 0xFFFF, 4) + "&MI_" + HexDigits(*number & 0xFF, 2) + "\\" +
                 name);
}

std::optional<std::string> UsbRevision(Machine& machine, const std::string& device) {
  const auto text = machine.Text(kUsbDevices + device + "/bcdDevice");
  const auto value = text ? ParseHex(Trim(*text)) : std::nullopt;
  if (!value) return std::nullopt;
  return "&REV_" + HexDigits(*value & 0xFFFF, 4);
}

std::optional<SetupClass> InterfaceClass(Machine& machine, const std::string& interface) {
  const auto code = UsbNumber(machine, kUsbDevices + interface + "/bInterfaceClass", true);
  if (!code) return std::nullopt;
  return UsbInterfaceSetupClass(static_cast<std::uint8_t>(*code & 0xFF));
}

PnpFacts UsbDeviceFacts(Machine& machine, const std::string& name) {
  PnpFacts facts;
  const auto path = machine.Resolve(kUsbDevices + name);
  const auto bus = path ? NearestBusDevice(machine, *path) : std::nullopt;
  if (!bus || bus->kind != BusDevice::Kind::kUsb || bus->path != *path) return facts;
  facts.pnpDeviceId = PnpDeviceId(*bus);
  const auto hardware = WithoutInstance(facts.pnpDeviceId);
  const auto revision = UsbRevision(machine, name);
  if (hardware && revision) facts.hardwareId = *hardware + *revision;
  const auto count = InterfaceCount(machine, name);
  const std::vector<std::string> interfaces = InterfacesOf(machine, name);
  if (count && *count > 1) {
    // The composite device's own node runs on the generic USB driver.
    Bind(machine, kUsbDevices + name, &facts);
    if (facts.driver) facts.setupClass = NamedSetupClass("USB");
  } else if (!interfaces.empty()) {
    // One interface: its driver and class are the device's.
    Bind(machine, kUsbDevices + interfaces.front(), &facts);
    if (facts.driver) facts.setupClass = InterfaceClass(machine, interfaces.front());
  }
  facts.errorCode = facts.driver ? 0 : 28;
  return facts;
}

PnpFacts UsbInterfaceFacts(Machine& machine, const std::string& name) {
  PnpFacts facts;
  facts.pnpDeviceId = UsbInterfaceId(machine, name);
  const std::string device = name.substr(0, name.find(':'));
  const auto hardware = WithoutInstance(facts.pnpDeviceId);
  const auto revision = UsbRevision(machine, device);
  if (hardware && revision) {
    // USB\VID_v&PID_p&REV_r&MI_nn: the revision goes before the interface.
    const std::size_t mi = hardware->rfind("&MI_");
    if (mi != std::string::npos) {
      facts.hardwareId = hardware->substr(0, mi) + *revision + hardware->substr(mi);
    }
  }
  Bind(machine, kUsbDevices + name, &facts);
  if (facts.driver) facts.setupClass = InterfaceClass(machine, name);
  facts.errorCode = facts.driver ? 0 : 28;
  return facts;
}

// ACPI\<hid>\<instance>: Windows' instance is the device's _UID where it
// has one; else the kernel's instance number.
PnpFacts AcpiFacts(Machine& machine, const std::string& name) {
  PnpFacts facts;
  const std::string dir = kAcpiDevices + name;
  const auto hid = machine.Text(dir + "/hid");
  if (!hid || hid->empty()) return facts;
  std::string instance;
  if (const auto uid = machine.Text(dir + "/uid")) instance = Trim(*uid);
  if (instance.empty()) {
    const std::size_t colon = name.rfind(':');
    const auto number =
        colon == std::string::npos ? std::nullopt : ParseHex(name.substr(colon + 1));
    instance = number ? std::to_string(*number) : "0";
  }
  facts.hardwareId = ToUpper("ACPI\\" + Trim(*hid));
  facts.pnpDeviceId = ToUpper(*facts.hardwareId + "\\" + instance);
  // Drivers bind to the ACPI device itself (battery, button) or to the
  // platform or PNP device the kernel made of it.
  Bind(machine, dir, &facts);
  if (!facts.driver) Bind(machine, dir + "/physical_node", &facts);
  const auto known = KnownAcpiDevice(ToUpper(Trim(*hid)));
  if (known) facts.setupClass = known->setupClass;
  // The kernel serves many ACPI devices in its core without binding a
  // driver (root bridges, motherboard resources, processors): no driver
  // there does not mean none is installed, so only a bound one tells.
  if (facts.driver) facts.errorCode = 0;
  return facts;
}

// The codec's device (hdaudioCcDd) beside the card, below the controller.
std::optional<std::string> CodecDevicePath(Machine& machine, const std::string& codec) {
  const auto path = machine.Resolve(kSoundClass + codec);
  if (!path) return std::nullopt;
  // .../0000:00:1f.3/sound/card0/hwC0D0
  std::string controller = *path;
  for (int up = 0; up < 3; ++up) {
    const std::size_t slash = controller.rfind('/');
    if (slash == std::string::npos || slash == 0) return std::nullopt;
    controller.resize(slash);
  }
  return controller + "/hdaudio" + codec.substr(2);
}

PnpFacts CodecFacts(Machine& machine, const std::string& codec) {
  PnpFacts facts;
  const auto device = ReadSoundDevice(machine, codec);
  if (!device) return facts;
  facts.pnpDeviceId = device->pnpDeviceId;
  facts.hardwareId = WithoutInstance(facts.pnpDeviceId);
  if (const auto path = CodecDevicePath(machine, codec)) Bind(machine, *path, &facts);
  if (facts.driver) facts.setupClass = NamedSetupClass("MEDIA");
  facts.errorCode = facts.driver ? 0 : 28;
  return facts;
}

// Monitors and disks exist only because the driver of their adapter or
// disk runs them: they are working devices, with the driver Linux binds
// to them where there is one (sd for SCSI disks).
PnpFacts MonitorFacts(Machine& machine, const std::string& name) {
  PnpFacts facts;
  const auto output = ReadDrmOutput(machine, name);
  const auto edid = output && output->edid ? ParseEdid(*output->edid) : std::nullopt;
  const auto hardwareId = edid ? EdidHardwareId(*edid) : std::nullopt;
  if (!hardwareId) return facts;
  facts.pnpDeviceId =
      ToUpper(*hardwareId + "\\" + std::to_string(output->card) + "&" + output->connector);
  // Windows' monitor hardware id is MONITOR\<maker><product>.
  facts.hardwareId = "MONITOR" + hardwareId->substr(hardwareId->find('\\'));
  facts.setupClass = NamedSetupClass("Monitor");
  facts.errorCode = 0;
  return facts;
}

PnpFacts DiskFacts(Machine& machine, const std::string& name) {
  PnpFacts facts;
  const auto& disk = ReadDisk(machine, name);
  if (!disk) return facts;
  facts.pnpDeviceId = disk->pnpDeviceId;
  facts.hardwareId = WithoutInstance(facts.pnpDeviceId);
  Bind(machine, kBlock + name + "/device", &facts);
  facts.setupClass = NamedSetupClass("DiskDrive");
  facts.errorCode = 0;
  return facts;
}

// Keyboards and pointing devices: Windows' HID collection of a USB device
// (HID\VID_v&PID_p...) or the PS/2 port's ACPI node, run by the driver
// bound to the input's device (atkbd, psmouse, hid-generic).
PnpFacts InputFacts(Machine& machine, const std::string& name) {
  PnpFacts facts;
  const InputDevice* input = FindInputDevice(machine, name);
  if (!input || !input->pnpDeviceId) return facts;
  facts.pnpDeviceId = input->pnpDeviceId;
  facts.hardwareId = WithoutInstance(facts.pnpDeviceId);
  facts.setupClass = NamedSetupClass(input->keyboard ? "Keyboard" : "Mouse");
  if (const auto device = machine.Resolve("/sys/class/input/" + name + "/device")) {
    Bind(machine, *device, &facts);
  }
  facts.errorCode = 0;
  return facts;
}

std::optional<std::string> InputName(Machine& machine, const std::string& name) {
  const InputDevice* input = FindInputDevice(machine, name);
  if (!input || !input->pnpDeviceId) return std::nullopt;
  const bool hid = input->pnpDeviceId->compare(0, 4, "HID\\") == 0;
  if (input->keyboard) return std::string(hid ? "HID Keyboard Device" : "Standard PS/2 Keyboard");
  return std::string(hid ? "HID-compliant mouse" : "PS/2 Compatible Mouse");
}

PnpFacts MakeFacts(Machine& machine, const std::string& key) {
  const Key split = SplitKey(key);
  if (split.kind == "pci") return PciFacts(machine, split.name);
  if (split.kind == "usb") return UsbDeviceFacts(machine, split.name);
  if (split.kind == "usbif") return UsbInterfaceFacts(machine, split.name);
  if (split.kind == "acpi") return AcpiFacts(machine, split.name);
  if (split.kind == "hda") return CodecFacts(machine, split.name);
  if (split.kind == "monitor") return MonitorFacts(machine, split.name);
  if (split.kind == "disk") return DiskFacts(machine, split.name);
  if (split.kind == "input") return InputFacts(machine, split.name);
  return PnpFacts{};
}

// The inbox drivers' names of USB devices they take by class.
std::optional<std::string> UsbClassName(std::uint32_t interfaceClass) {
  switch (interfaceClass) {
    case 0x01:
      return "USB Audio Device";
    case 0x03:
      return "USB Input Device";
    case 0x07:
      return "USB Printing Support";
    case 0x08:
      return "USB Mass Storage Device";
    case 0x0E:
      return "USB Video Device";
    default:
      return std::nullopt;
  }
}

std::optional<std::string> UsbName(Machine& machine, const std::string& device,
                                   const std::optional<std::string>& interface) {
  const PnpFacts& facts =
      ReadPnpFacts(machine, (interface ? "usbif:" + *interface : "usb:" + device));
  if (!interface) {
    const auto count = InterfaceCount(machine, device);
    if (count && *count > 1 && facts.driver) return "USB Composite Device";
  }
  const std::vector<std::string> interfaces = InterfacesOf(machine, device);
  const std::string which = interface ? *interface : interfaces.empty() ? "" : interfaces.front();
  if (facts.driver && !which.empty()) {
    const auto code = UsbNumber(machine, kUsbDevices + which + "/bInterfaceClass", true);
    if (code) {
      if (auto name = UsbClassName(*code)) return name;
    }
  }
  // Else the name the device reports, as Windows shows it for a device its
  // inbox drivers do not name; else the ids database's.
  if (const auto product = machine.Text(kUsbDevices + device + "/product")) {
    if (!Trim(*product).empty()) return Trim(*product);
  }
  const auto path = machine.Resolve(kUsbDevices + device);
  const auto bus = path ? NearestBusDevice(machine, *path) : std::nullopt;
  return bus ? IdsProductName(machine, *bus) : std::nullopt;
}

std::optional<std::string> UsbMaker(Machine& machine, const std::string& device) {
  if (const auto maker = machine.Text(kUsbDevices + device + "/manufacturer")) {
    if (!Trim(*maker).empty()) return Trim(*maker);
  }
  const auto path = machine.Resolve(kUsbDevices + device);
  const auto bus = path ? NearestBusDevice(machine, *path) : std::nullopt;
  return bus ? IdsVendorName(machine, *bus) : std::nullopt;
}

// The hardware database's names, as udev records them, else from the ids
// file: what the other PCI classes show. key is the device's ("pci:ADDRESS").
std::optional<std::string> PciName(Machine& machine, const std::string& key,
                                   const std::string& address, bool vendor) {
  static const std::string kVendorKey = "ID_VENDOR_FROM_DATABASE";
  static const std::string kModelKey = "ID_MODEL_FROM_DATABASE";
  if (auto name = UdevProperty(machine, "+pci:" + address, vendor ? kVendorKey : kModelKey)) {
    return name;
  }
  const PnpFacts& facts = ReadPnpFacts(machine, key);
  // PCI\VEN_vvvv&DEV_dddd&...: the ids the facts already hold.
  if (!facts.pnpDeviceId || facts.pnpDeviceId->size() < 21) return std::nullopt;
  BusDevice bus;
  bus.kind = BusDevice::Kind::kPci;
  bus.vendor = facts.pnpDeviceId->substr(8, 4);
  bus.device = facts.pnpDeviceId->substr(17, 4);
  return vendor ? IdsVendorName(machine, bus) : IdsProductName(machine, bus);
}

// Every device's facts and name, made the first time a query asks for
// them, and the device asked for last: an object's properties are read one
// after another, so most asks are for that one.
struct PnpTable {
  mutable std::unordered_map<std::string, PnpFacts> facts;
  mutable std::unordered_map<std::string, std::optional<std::string>> names;
  mutable const std::string* lastKey = nullptr;
  mutable const PnpFacts* last = nullptr;
};

const PnpTable& Table(Machine& machine) {
  static const std::string kKey = "pnp-table";
  return machine.Derived<PnpTable>(kKey, [] { return PnpTable{}; });
}

}  // namespace

// A device is listed only with an identity Windows would give it: a
// malformed id file, or a monitor whose EDID names no maker, leaves it out.
const std::vector<std::string>& PnpDeviceKeys(Machine& machine) {
  return machine.Derived<std::vector<std::string>>("pnp-devices", [&machine] {
    std::vector<std::string> keys = ListKeys(machine);
    std::erase_if(keys, [&machine](const std::string& key) {
      return !ReadPnpFacts(machine, key).pnpDeviceId;
    });
    return keys;
  });
}

const PnpFacts& ReadPnpFacts(Machine& machine, const std::string& key) {
  const PnpTable& table = Table(machine);
  if (table.last != nullptr && *table.lastKey == key) return *table.last;
  auto found = table.facts.find(key);
  if (found == table.facts.end()) {
    PnpFacts made = MakeFacts(machine, key);
    found = table.facts.emplace(key, std::move(made)).first;
  }
  // The map's entries stay where they are as it grows.
  table.lastKey = &found->first;
  table.last = &found->second;
  return found->second;
}

std::optional<std::string> DriverModule(Machine& machine, const PnpFacts& facts) {
  if (!facts.driver) return std::nullopt;
  const auto resolve = [&machine, &facts] {
    std::optional<std::string> module;
    if (!facts.driverDevice.empty()) {
      module = Leaf(machine.Resolve(facts.driverDevice + "/driver/module"));
    }
    if (!module) {
      module = *facts.driver;
      std::replace(module->begin(), module->end(), '-', '_');
    }
    return module;
  };
  // A PCI or USB driver's name is unique on its bus: its module is looked
  // up once for all the devices it drives.
  for (const std::string& bus : {kPciDevices, kUsbDevices}) {
    if (facts.driverDevice.compare(0, bus.size(), bus) == 0) {
      return machine.Derived<std::optional<std::string>>("driver-module:" + bus + *facts.driver,
                                                         resolve);
    }
  }
  return resolve();
}

namespace {

std::optional<std::string> MakeName(Machine& machine, const std::string& key) {
  const Key split = SplitKey(key);
  if (split.kind == "pci") return PciName(machine, key, split.name, false);
  if (split.kind == "usb") return UsbName(machine, split.name, std::nullopt);
  if (split.kind == "usbif") {
    return UsbName(machine, split.name.substr(0, split.name.find(':')), split.name);
  }
  if (split.kind == "acpi") {
    const auto hid = machine.Text(kAcpiDevices + split.name + "/hid");
    const auto known = hid ? KnownAcpiDevice(ToUpper(Trim(*hid))) : std::nullopt;
    if (!known || known->name.empty()) return std::nullopt;
    return std::string(known->name);
  }
  if (split.kind == "hda") {
    const auto device = ReadSoundDevice(machine, split.name);
    return device ? device->name : std::nullopt;
  }
  if (split.kind == "monitor") {
    const auto output = ReadDrmOutput(machine, split.name);
    const auto edid = output && output->edid ? ParseEdid(*output->edid) : std::nullopt;
    if (!edid) return std::nullopt;
    return edid->name.value_or("Generic PnP Monitor");
  }
  if (split.kind == "disk") {
    const auto& disk = ReadDisk(machine, split.name);
    return disk ? disk->model : std::nullopt;
  }
  if (split.kind == "input") return InputName(machine, split.name);
  return std::nullopt;
}

}  // namespace

// Made once per device: Caption, Description and Name all give it.
std::optional<std::string> PnpName(Machine& machine, const std::string& key) {
  const PnpTable& table = Table(machine);
  auto found = table.names.find(key);
  if (found == table.names.end()) {
    std::optional<std::string> made = MakeName(machine, key);
    found = table.names.emplace(key, std::move(made)).first;
  }
  return found->second;
}

std::optional<std::string> PnpManufacturer(Machine& machine, const std::string& key) {
  const Key split = SplitKey(key);
  if (split.kind == "pci") return PciName(machine, key, split.name, true);
  if (split.kind == "usb" || split.kind == "usbif") {
    return UsbMaker(machine, split.name.substr(0, split.name.find(':')));
  }
  if (split.kind == "hda") {
    const auto device = ReadSoundDevice(machine, split.name);
    return device ? device->manufacturer : std::nullopt;
  }
  if (split.kind == "input") {
    const InputDevice* input = FindInputDevice(machine, split.name);
    return input ? input->manufacturer : std::nullopt;
  }
  // The makers Windows' inbox drivers for these give every device.
  if (split.kind == "monitor") return std::string("(Standard monitor types)");
  if (split.kind == "disk") return std::string("(Standard disk drives)");
  return std::nullopt;
}

}  // namespace hwident
