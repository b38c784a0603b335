#include "platform/linux/provider/sources/system/pci_function.h"

#include <algorithm>

#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {
namespace {

const std::string kPciDevices = "/sys/bus/pci/devices/";

template <typename Number>
bool ReadHexAttribute(Machine& machine, const std::string& path, Number* value) {
  const auto text = machine.Text(path);
  const auto number = text ? ParseHex(*text) : std::nullopt;
  if (!number || *number > static_cast<std::uint32_t>(static_cast<Number>(~Number{}))) {
    return false;
  }
  *value = static_cast<Number>(*number);
  return true;
}

// Upper-case hex digits of value, width of them, appended.
void AppendHex(std::string& text, std::uint32_t value, int width) {
  static const char kDigits[] = "0123456789ABCDEF";
  for (int shift = 4 * (width - 1); shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 0xF];
}

}  // namespace

std::optional<std::uint32_t> ParseHex(std::string_view text) {
  std::size_t start = text.compare(0, 2, "0x") == 0 || text.compare(0, 2, "0X") == 0 ? 2 : 0;
  if (start == text.size() || text.size() - start > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (std::size_t i = start; i < text.size(); ++i) {
    const char c = text[i];
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return value;
}

std::string HexDigits(std::uint32_t value, int width) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text(static_cast<std::size_t>(width), '0');
  for (int i = width - 1; i >= 0; --i) {
    text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    value >>= 4;
  }
  return text;
}

std::vector<std::string> PciAddressesOfClass(Machine& machine, std::uint8_t baseClass) {
  std::vector<std::string> addresses;
  for (const std::string& address : machine.List(kPciDevices)) {
    std::uint32_t classCode = 0;
    if (!ReadHexAttribute(machine, kPciDevices + address + "/class", &classCode)) continue;
    if ((classCode >> 16) == baseClass) addresses.push_back(address);
  }
  return addresses;
}

std::optional<PciFunction> ReadPciFunction(Machine& machine, const std::string& address) {
  const std::string dir = kPciDevices + address + "/";
  PciFunction function;
  function.address = address;
  if (!ReadHexAttribute(machine, dir + "class", &function.classCode) ||
      !ReadHexAttribute(machine, dir + "vendor", &function.vendor) ||
      !ReadHexAttribute(machine, dir + "device", &function.device) ||
      !ReadHexAttribute(machine, dir + "revision", &function.revision)) {
    return std::nullopt;
  }
  // Functions without a subsystem (rare, old bridges) show zeros on Windows.
  ReadHexAttribute(machine, dir + "subsystem_vendor", &function.subsystemVendor);
  ReadHexAttribute(machine, dir + "subsystem_device", &function.subsystemDevice);
  if (const auto driver = machine.Resolve(dir + "driver")) {
    function.driver = driver->substr(driver->rfind('/') + 1);
  }
  return function;
}

std::string PciPnpDeviceId(const PciFunction& f) {
  // "DDDD:BB:SS.F": the slot and function make Windows' device-function byte.
  // The address is a directory's name, so it is parsed as strictly as any
  // file: hex parts of at most eight digits (sscanf's overflow is undefined).
  const std::string_view address(f.address);
  std::uint32_t domain = 0, bus = 0, deviceFunction = 0;
  const std::size_t first = address.find(':');
  const std::size_t second = first == std::string::npos ? first : address.find(':', first + 1);
  const std::size_t dot = second == std::string::npos ? second : address.find('.', second + 1);
  if (dot != std::string::npos) {
    const auto parsedDomain = ParseHex(address.substr(0, first));
    const auto parsedBus = ParseHex(address.substr(first + 1, second - first - 1));
    const auto slot = ParseHex(address.substr(second + 1, dot - second - 1));
    const auto fn = ParseHex(address.substr(dot + 1));
    if (parsedDomain && parsedBus && slot && fn) {
      domain = *parsedDomain;
      bus = *parsedBus & 0xFF;
      deviceFunction = ((*slot & 0x1F) << 3) | (*fn & 7);
    }
  }
  // Written in place: a query of every device makes hundreds.
  std::string id;
  id.reserve(64);
  id += "PCI\\VEN_";
  AppendHex(id, f.vendor, 4);
  id += "&DEV_";
  AppendHex(id, f.device, 4);
  id += "&SUBSYS_";
  AppendHex(id, f.subsystemDevice, 4);
  AppendHex(id, f.subsystemVendor, 4);
  id += "&REV_";
  AppendHex(id, f.revision, 2);
  id += '\\';
  int domainDigits = 1;
  while (domainDigits < 8 && (domain >> (4 * domainDigits)) != 0) ++domainDigits;
  AppendHex(id, domain, domainDigits);
  id += '&';
  AppendHex(id, bus, 2);
  id += "&0&";
  AppendHex(id, deviceFunction, 2);
  return id;
}

}  // namespace hwident
