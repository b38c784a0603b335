#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/linux/provider/service/class_schema.h"
#include "platform/linux/provider/sources/network/network_interface.h"

namespace hwident {

// What the two network classes share: one object per interface (its name is
// the instance key), and the facts both read off the interface.
std::vector<std::string> InterfaceInstances(Machine& machine);

// The interface's fact through read; null when the interface has gone.
template <typename Read>
Fact WithInterface(Machine& machine, const std::string& name, Read read) {
  const std::optional<NetInterface>& interface = ReadInterface(machine, name);
  if (!interface) return Fact::Null();
  return read(*interface);
}

Fact InterfaceIndex(Machine& machine, const std::string& name);
Fact InterfaceMacAddress(Machine& machine, const std::string& name);
Fact InterfaceServiceName(Machine& machine, const std::string& name);

}  // namespace hwident
