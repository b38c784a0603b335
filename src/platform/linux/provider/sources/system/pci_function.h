#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/provider/machine/machine.h"

namespace hwident {

// One PCI function as sysfs describes it (/sys/bus/pci/devices/ADDRESS).
struct PciFunction {
  std::string address;  // "0000:00:02.0"
  std::uint32_t classCode = 0;
  std::uint16_t vendor = 0, device = 0, subsystemVendor = 0, subsystemDevice = 0;
  std::uint8_t revision = 0;
  std::optional<std::string> driver;  // the bound kernel driver's name
};

// The functions whose class code's top byte is baseClass (0x03 display,
// 0x04 multimedia), in address order, which is the kernel's.
std::vector<std::string> PciAddressesOfClass(Machine& machine, std::uint8_t baseClass);
// Nothing when an identity attribute is missing or malformed.
std::optional<PciFunction> ReadPciFunction(Machine& machine, const std::string& address);

// PCI\VEN_8086&DEV_9A49&SUBSYS_22128086&REV_01\<instance>, as Windows builds
// it. Windows' instance part hashes the parent bus's path; this one is
// rebuilt from the address: domain&bus&0&device-function, e.g. 0&00&0&10
// for 0000:00:02.0, whose last field is the one Windows also ends with.
std::string PciPnpDeviceId(const PciFunction& function);

// Hexadecimal with or without 0x, at most 8 digits; nothing for anything else.
std::optional<std::uint32_t> ParseHex(std::string_view text);
// Four upper-case hex digits ("8086"), or as many as width says.
std::string HexDigits(std::uint32_t value, int width);

}  // namespace hwident
