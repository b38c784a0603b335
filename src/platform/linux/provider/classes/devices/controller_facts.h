#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/linux/provider/service/class_schema.h"

namespace hwident {

// The storage and USB controller classes: one object per PCI function of
// the class codes a class takes, in address order.
struct ControllerKind {
  // Class codes without the interface byte: 0x0C03 USB, 0x0106 SATA...
  std::span<const std::uint16_t> classes;
  // The CIM_Controller protocol value; 0 for none (null).
  int protocol = 0;
};

std::vector<std::string> ControllerAddresses(Machine& machine, const ControllerKind& kind);

// The properties the three classes share; a class's table is made from
// its kind.
Fact ControllerName(Machine& machine, const std::string& address);
Fact ControllerManufacturer(Machine& machine, const std::string& address);
Fact ControllerPnpDeviceId(Machine& machine, const std::string& address);
Fact ControllerAvailability(Machine& machine, const std::string& address);
Fact ControllerErrorCode(Machine& machine, const std::string& address);
Fact ControllerStatus(Machine& machine, const std::string& address);

}  // namespace hwident
