#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/sources/system/bus_device.h"

namespace hwident {

// One network interface (/sys/class/net/NAME).
struct NetInterface {
  std::string name;
  int ifindex = 0;
  int type = 0;                            // ARPHRD_*: 1 Ethernet (and Wi-Fi)
  std::optional<std::string> mac;          // upper case, colons, as Windows writes it
  unsigned flags = 0;                      // IFF_*: 0x1 up
  std::string operstate;                   // "up", "down", "dormant", "unknown"...
  std::optional<std::uint64_t> speedMbps;  // nothing while the link is down
  bool physical = false;                   // a device behind it
  std::optional<BusDevice> bus;
  std::optional<std::string> driver;  // the kernel module bound to the device
  std::optional<std::string> vendorName, productName;
};

// Every interface but the loopback one, in ifindex order.
const std::vector<std::string>& InterfaceNames(Machine& machine);
const std::optional<NetInterface>& ReadInterface(Machine& machine, const std::string& name);

// Windows' connection status from the interface's state: 0 disconnected
// (administratively down), 1 connecting, 2 connected, 7 media disconnected.
int ConnectionStatus(const NetInterface& interface);

}  // namespace hwident
