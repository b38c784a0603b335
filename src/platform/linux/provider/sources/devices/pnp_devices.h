#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/sources/devices/setup_class.h"

namespace hwident {

// Every device with a Plug and Play identity, keyed "KIND:NAME": PCI
// functions ("pci:0000:00:14.0"), USB devices ("usb:1-3") and the
// interfaces of composite ones ("usbif:1-3:1.2"), present ACPI devices with
// a hardware id ("acpi:PNP0C0A:00"), HD Audio codecs ("hda:hwC0D0"),
// monitors ("monitor:card0-eDP-1"), disks ("disk:nvme0n1") and keyboards
// and pointing devices ("input:input5"). In that
// order of kinds, each kind in the kernel's name order. Listed once per
// query.
const std::vector<std::string>& PnpDeviceKeys(Machine& machine);

// What the device's identity and driver binding say, read once per query.
struct PnpFacts {
  std::optional<std::string> pnpDeviceId;
  // The most specific hardware id: the device id without its instance.
  std::optional<std::string> hardwareId;
  std::optional<SetupClass> setupClass;
  std::optional<std::string> driver;  // the bound driver's name
  // The directory whose `driver` link names that driver.
  std::string driverDevice;
  std::uint32_t pciClass = 0;  // PCI functions: the class code
  // 0 working, 28 no driver installed; nothing where Linux cannot tell.
  std::optional<int> errorCode;
};
const PnpFacts& ReadPnpFacts(Machine& machine, const std::string& key);

// The device's name and maker, read only when asked for.
std::optional<std::string> PnpName(Machine& machine, const std::string& key);
std::optional<std::string> PnpManufacturer(Machine& machine, const std::string& key);

// The bound driver's module name (through the driver's `module` link, e.g.
// xhci_hcd -> xhci_pci), else the driver's name with dashes as module names
// spell them; nothing without a driver.
std::optional<std::string> DriverModule(Machine& machine, const PnpFacts& facts);

}  // namespace hwident
