#include "platform/linux/provider/sources/system/bus_device.h"

#include <cstdio>

#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {
namespace {

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// "0000:00:1f.6": a PCI function's directory name.
bool ParsePciAddress(const std::string& name, BusDevice* device) {
  if (name.size() != 12 || name[4] != ':' || name[7] != ':' || name[10] != '.') return false;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9, 11}) {
    if (!IsHex(name[i])) return false;
  }
  unsigned slot = 0, function = 0;
  if (std::sscanf(name.c_str(), "%4x:%2x:%2x.%1x", &device->domain, &device->bus, &slot,
                  &function) != 4 ||
      function > 7) {
    return false;
  }
  device->slot = slot * 8 + function;
  return true;
}

// "0x8086\n" -> "8086"; digits beyond width are kept (the value is wrong
// then, but visibly so); nothing for text that is not hex.
std::optional<std::string> HexId(Machine& machine, const std::string& path, std::size_t width) {
  std::optional<std::string> text = machine.Text(path);
  if (!text) return std::nullopt;
  std::string digits = Trim(*text);
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits = digits.substr(2);
  }
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  for (char c : digits) {
    if (!IsHex(c)) return std::nullopt;
  }
  while (digits.size() < width) digits.insert(digits.begin(), '0');
  return ToUpper(digits);
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

const std::optional<std::string>& IdsFile(Machine& machine, BusDevice::Kind kind) {
  const std::string name = kind == BusDevice::Kind::kPci ? "pci.ids" : "usb.ids";
  const std::optional<std::string>& misc = machine.Raw("/usr/share/misc/" + name);
  if (misc) return misc;
  return machine.Raw("/usr/share/hwdata/" + name);
}

// A line "ID  Name" starting at the given place; the name, or nothing.
std::optional<std::string> NameAfter(std::string_view ids, std::size_t start) {
  const std::size_t end = std::min(ids.find('\n', start), ids.size());
  std::string name(ids.substr(start, end - start));
  if (!name.empty() && name.back() == '\r') name.pop_back();
  if (name.empty()) return std::nullopt;
  return name;
}

}  // namespace

std::optional<BusDevice> NearestBusDevice(Machine& machine, const std::string& devicePath) {
  std::string path = devicePath;
  while (path.size() > std::string("/sys/devices").size() &&
         path.compare(0, 13, "/sys/devices/") == 0) {
    const std::string name = path.substr(path.rfind('/') + 1);
    BusDevice device;
    device.path = path;
    if (ParsePciAddress(name, &device)) {
      device.kind = BusDevice::Kind::kPci;
      const auto vendor = HexId(machine, path + "/vendor", 4);
      const auto id = HexId(machine, path + "/device", 4);
      if (!vendor || !id) return std::nullopt;
      device.vendor = *vendor;
      device.device = *id;
      device.subsystemVendor = HexId(machine, path + "/subsystem_vendor", 4).value_or("0000");
      device.subsystemDevice = HexId(machine, path + "/subsystem_device", 4).value_or("0000");
      device.revision = HexId(machine, path + "/revision", 2).value_or("00");
      return device;
    }
    if (machine.Exists(path + "/idVendor")) {
      device.kind = BusDevice::Kind::kUsb;
      const auto vendor = HexId(machine, path + "/idVendor", 4);
      const auto product = HexId(machine, path + "/idProduct", 4);
      if (!vendor || !product) return std::nullopt;
      device.vendor = *vendor;
      device.device = *product;
      device.serial = machine.Text(path + "/serial");
      device.usbBus = Trim(machine.Text(path + "/busnum").value_or("0"));
      // "1-2.4": the port on the nearest hub is the last number.
      const std::string devpath = Trim(machine.Text(path + "/devpath").value_or("0"));
      device.usbPort = devpath.substr(
          devpath.find_last_of(".-") == std::string::npos ? 0 : devpath.find_last_of(".-") + 1);
      return device;
    }
    path = path.substr(0, path.rfind('/'));
  }
  return std::nullopt;
}

std::string PnpDeviceId(const BusDevice& device) {
  char buffer[160];
  if (device.kind == BusDevice::Kind::kPci) {
    std::snprintf(buffer, sizeof buffer, "PCI\\VEN_%s&DEV_%s&SUBSYS_%s%s&REV_%s\\%X&%02X&0&%02X",
                  device.vendor.c_str(), device.device.c_str(), device.subsystemDevice.c_str(),
                  device.subsystemVendor.c_str(), device.revision.c_str(), device.domain,
                  device.bus, device.slot);
    return buffer;
  }
  // Windows takes the serial as the instance only when it is usable as a
  // name: printable, without blanks, backslashes or commas.
  std::string instance;
  if (device.serial && !device.serial->empty()) {
    instance = *device.serial;
    for (char c : instance) {
      if (c <= ' ' || c > '~' || c == '\\' || c == ',') {
        instance.clear();
        break;
      }
    }
  }
  if (instance.empty()) instance = device.usbBus + "&0&" + device.usbPort;
  std::snprintf(buffer, sizeof buffer, "USB\\VID_%s&PID_%s\\", device.vendor.c_str(),
                device.device.c_str());
  return ToUpper(buffer + instance);
}

std::optional<std::string> LookUpIds(std::string_view ids, std::string_view vendor,
                                     std::string_view product) {
  // Vendor lines start a line with the id and two blanks; their products
  // follow on lines starting with one tab.
  const std::string vendorLine = std::string(vendor) + "  ";
  std::size_t at = 0;
  if (ids.compare(0, vendorLine.size(), vendorLine) != 0) {
    at = ids.find("\n" + vendorLine);
    if (at == std::string_view::npos) return std::nullopt;
    ++at;
  }
  const std::size_t nameStart = at + vendor.size() + 2;
  if (product.empty()) return NameAfter(ids, nameStart);
  const std::string productKey = "\t" + std::string(product) + "  ";
  std::size_t line = ids.find('\n', nameStart);
  while (line != std::string_view::npos && line + 1 < ids.size()) {
    const std::size_t start = line + 1;
    const char first = ids[start];
    // Another vendor (or a later section) ends this vendor's products.
    if (first != '\t' && first != '#' && first != '\n') return std::nullopt;
    if (ids.compare(start, productKey.size(), productKey) == 0) {
      return NameAfter(ids, start + productKey.size());
    }
    line = ids.find('\n', start);
  }
  return std::nullopt;
}

// A machine has many functions of few models (a port per slot, a
// controller per socket), and each look-up walks the ids file from its
// start: each model is looked up once per query.
std::optional<std::string> IdsVendorName(Machine& machine, const BusDevice& device) {
  const std::string vendor = Lower(device.vendor);
  return machine.Derived<std::optional<std::string>>(
      (device.kind == BusDevice::Kind::kPci ? "pci.ids " : "usb.ids ") + vendor,
      [&machine, &device, &vendor]() -> std::optional<std::string> {
        const std::optional<std::string>& ids = IdsFile(machine, device.kind);
        if (!ids) return std::nullopt;
        return LookUpIds(*ids, vendor, "");
      });
}

std::optional<std::string> IdsProductName(Machine& machine, const BusDevice& device) {
  const std::string vendor = Lower(device.vendor);
  const std::string product = Lower(device.device);
  return machine.Derived<std::optional<std::string>>(
      (device.kind == BusDevice::Kind::kPci ? "pci.ids " : "usb.ids ") + vendor + " " + product,
      [&machine, &device, &vendor, &product]() -> std::optional<std::string> {
        const std::optional<std::string>& ids = IdsFile(machine, device.kind);
        if (!ids) return std::nullopt;
        return LookUpIds(*ids, vendor, product);
      });
}

}  // namespace hwident
