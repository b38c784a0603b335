#include "platform/linux/provider/classes/network/interface_facts.h"

namespace hwident {

std::vector<std::string> InterfaceInstances(Machine& machine) {
  return InterfaceNames(machine);
}

Fact InterfaceIndex(Machine& machine, const std::string& name) {
  return WithInterface(machine, name,
                       [](const NetInterface& n) { return Fact::Number(n.ifindex); });
}

Fact InterfaceMacAddress(Machine& machine, const std::string& name) {
  return WithInterface(machine, name, [](const NetInterface& n) { return FactFrom(n.mac); });
}

Fact InterfaceServiceName(Machine& machine, const std::string& name) {
  return WithInterface(machine, name, [](const NetInterface& n) { return FactFrom(n.driver); });
}

}  // namespace hwident
