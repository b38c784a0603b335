#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/provider/machine/machine.h"

namespace hwident {

// The gateways of an interface's default routes: IPv4 from /proc/net/route,
// then IPv6 from /proc/net/ipv6_route, in the kernel's order.
std::vector<std::string> ParseIpv4DefaultGateways(std::string_view routes,
                                                  const std::string& interface);
std::vector<std::string> ParseIpv6DefaultGateways(std::string_view routes,
                                                  const std::string& interface);

// resolv.conf: the name servers in order, and the first search domain (or
// the "domain" line).
struct ResolverConfig {
  std::vector<std::string> servers;
  std::optional<std::string> domain;
};
ResolverConfig ParseResolvConf(std::string_view text);

// What a DHCP client recorded of its lease on one interface.
struct DhcpLease {
  std::optional<std::string> server;
  std::optional<std::string> domain;
  std::vector<std::string> dnsServers;
};
// systemd-networkd's (and NetworkManager's internal client's) KEY=VALUE
// lease files.
DhcpLease ParseKeyValueLease(std::string_view text);
// ISC dhclient's lease file: the last lease block in it.
DhcpLease ParseDhclientLease(std::string_view text);

// The lease of the interface, from whichever client keeps one:
// systemd-networkd (/run/systemd/netif/leases/IFINDEX), NetworkManager
// (/var/lib/NetworkManager/internal-*-NAME.lease) or dhclient
// (/var/lib/dhcp/dhclient.NAME.leases); nothing when none does.
std::optional<DhcpLease> FindLease(Machine& machine, const std::string& name, int ifindex);

// The name servers the machine asks, past systemd-resolved's local stub;
// a link's own servers when networkd records some for it.
ResolverConfig Resolvers(Machine& machine, int ifindex);

// The IPv4 mask of a prefix length ("255.255.255.0" for 24).
std::string Ipv4Mask(int prefixLength);

}  // namespace hwident
