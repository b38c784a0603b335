#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/provider/machine/machine.h"

namespace hwident {

// The PCI function or USB device a Linux device hangs off, with the ids
// Windows builds its Plug and Play identifiers from.
struct BusDevice {
  enum class Kind { kPci, kUsb };
  Kind kind = Kind::kPci;
  std::string path;  // its sysfs directory, links resolved
  // Four hex digits each, upper case (PCI revision: two).
  std::string vendor, device, subsystemVendor, subsystemDevice, revision;
  std::optional<std::string> serial;  // USB iSerialNumber
  // USB: the bus number and the port the device is plugged into.
  std::string usbBus, usbPort;
  // PCI: domain, bus and slot (device × 8 + function), as sysfs names them.
  unsigned domain = 0, bus = 0, slot = 0;
};

// Walks up from a device's sysfs directory (links resolved) to the nearest
// PCI function or USB device; nothing for devices on neither bus (virtual
// ones, platform devices).
std::optional<BusDevice> NearestBusDevice(Machine& machine, const std::string& devicePath);

// The identifier Windows gives the device:
//   PCI\VEN_vvvv&DEV_dddd&SUBSYS_ssssSSSS&REV_rr\instance
//   USB\VID_vvvv&PID_pppp\instance
// Windows' PCI instance ("3&11583659&0&10") hashes the parent's path; the
// provider's is DOMAIN&BUS&0&SLOT in hex, which keeps Windows' last field.
// A USB device's instance is its serial as on Windows, or BUS&0&PORT when it
// has none that Windows would use.
std::string PnpDeviceId(const BusDevice& device);

// The vendor's and the product's names from the ids database the system
// ships (pci.ids or usb.ids under /usr/share/misc or /usr/share/hwdata);
// nothing when the file or the id is missing.
std::optional<std::string> IdsVendorName(Machine& machine, const BusDevice& device);
std::optional<std::string> IdsProductName(Machine& machine, const BusDevice& device);

// Looks a vendor (and, when product is not empty, one of its products) up in
// the text of a pci.ids or usb.ids file; ids are four lower-case hex digits.
std::optional<std::string> LookUpIds(std::string_view ids, std::string_view vendor,
                                     std::string_view product);

}  // namespace hwident
