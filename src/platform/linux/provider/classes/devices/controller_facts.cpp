#include "platform/linux/provider/classes/devices/controller_facts.h"

#include <algorithm>

#include "platform/linux/provider/sources/devices/pnp_devices.h"
#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {

std::vector<std::string> ControllerAddresses(Machine& machine, const ControllerKind& kind) {
  std::vector<std::string> addresses;
  for (const std::string& address : machine.List("/sys/bus/pci/devices/")) {
    const PnpFacts& facts = ReadPnpFacts(machine, "pci:" + address);
    if (!facts.pnpDeviceId) continue;
    const auto code = static_cast<std::uint16_t>(facts.pciClass >> 8);
    if (std::find(kind.classes.begin(), kind.classes.end(), code) != kind.classes.end()) {
      addresses.push_back(address);
    }
  }
  return addresses;
}

Fact ControllerName(Machine& machine, const std::string& address) {
  return FactFrom(PnpName(machine, "pci:" + address));
}

Fact ControllerManufacturer(Machine& machine, const std::string& address) {
  return FactFrom(PnpManufacturer(machine, "pci:" + address));
}

Fact ControllerPnpDeviceId(Machine& machine, const std::string& address) {
  return FactFrom(ReadPnpFacts(machine, "pci:" + address).pnpDeviceId);
}

// 3 running; 8 off line: no driver drives it.
Fact ControllerAvailability(Machine& machine, const std::string& address) {
  const PnpFacts& facts = ReadPnpFacts(machine, "pci:" + address);
  if (!facts.pnpDeviceId) return Fact::Null();
  return Fact::Number(facts.driver ? 3 : 8);
}

Fact ControllerErrorCode(Machine& machine, const std::string& address) {
  const PnpFacts& facts = ReadPnpFacts(machine, "pci:" + address);
  return facts.errorCode ? Fact::Number(*facts.errorCode) : Fact::Null();
}

Fact ControllerStatus(Machine& machine, const std::string& address) {
  const PnpFacts& facts = ReadPnpFacts(machine, "pci:" + address);
  if (!facts.errorCode) return Fact::Null();
  return Constant(*facts.errorCode == 0 ? "OK" : "Error");
}

Fact ControllerSystemClass(Machine&, const std::string&) {
  return Constant("Win32_ComputerSystem");
}

Fact ControllerSystemName(Machine& machine, const std::string&) {
  return FactFrom(NetBiosName(machine));
}

Fact ControllerDriver(Machine& machine, const std::string& address) {
  return FactFrom(ReadPnpFacts(machine, "pci:" + address).driver);
}

}  // namespace hwident
