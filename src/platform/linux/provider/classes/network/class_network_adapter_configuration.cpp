// Win32_NetworkAdapterConfiguration: the IP settings of each adapter
// Win32_NetworkAdapter lists, in the same order and with the same Index.
#include "platform/linux/provider/classes/network/interface_facts.h"
#include "platform/linux/provider/classes/provider_classes.h"

#include "platform/linux/provider/sources/network/ip_configuration.h"
#include "platform/linux/provider/sources/network/network_interface.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

// IPv4 addresses first, then IPv6, as Windows lists them.
std::vector<InterfaceAddress> AddressesOf(M& m, I name) {
  std::vector<InterfaceAddress> found;
  for (bool ipv6 : {false, true}) {
    for (const InterfaceAddress& address : m.Addresses()) {
      if (address.interface == name && address.ipv6 == ipv6) found.push_back(address);
    }
  }
  return found;
}

bool IpEnabled(M& m, I name) {
  return !AddressesOf(m, name).empty();
}

Fact IpEnabledFact(M& m, I name) {
  return WithInterface(m, name,
                       [&](const NetInterface&) { return Fact::Flag(IpEnabled(m, name)); });
}

Fact IpAddress(M& m, I name) {
  if (!ReadInterface(m, name) || !IpEnabled(m, name)) return Fact::Null();
  std::vector<std::string> texts;
  for (const InterfaceAddress& address : AddressesOf(m, name)) texts.push_back(address.address);
  return Fact::List(texts);
}

// IPv4 masks in dotted form, IPv6 prefix lengths as numbers, as Windows
// pairs them with the addresses.
Fact IpSubnet(M& m, I name) {
  if (!ReadInterface(m, name) || !IpEnabled(m, name)) return Fact::Null();
  std::vector<std::string> texts;
  for (const InterfaceAddress& address : AddressesOf(m, name)) {
    texts.push_back(address.ipv6 ? std::to_string(address.prefixLength)
                                 : Ipv4Mask(address.prefixLength));
  }
  return Fact::List(texts);
}

Fact Gateways(M& m, I name) {
  if (!ReadInterface(m, name) || !IpEnabled(m, name)) return Fact::Null();
  std::vector<std::string> gateways;
  if (const auto& routes = m.Raw("/proc/net/route")) {
    gateways = ParseIpv4DefaultGateways(*routes, name);
  }
  if (const auto& routes = m.Raw("/proc/net/ipv6_route")) {
    for (const std::string& gateway : ParseIpv6DefaultGateways(*routes, name)) {
      gateways.push_back(gateway);
    }
  }
  if (gateways.empty()) return Fact::Null();
  return Fact::List(gateways);
}

std::optional<DhcpLease> Lease(M& m, I name) {
  const std::optional<NetInterface>& n = ReadInterface(m, name);
  if (!n) return std::nullopt;
  return FindLease(m, name, n->ifindex);
}

// A lease on record means DHCP configured the adapter; without one the
// provider cannot tell a static set-up from a client that keeps no record.
Fact DhcpEnabled(M& m, I name) {
  if (!ReadInterface(m, name)) return Fact::Null();
  return Lease(m, name) ? Fact::Flag(true) : Fact::Null();
}

Fact DhcpServer(M& m, I name) {
  const std::optional<DhcpLease> lease = Lease(m, name);
  return lease ? FactFrom(lease->server) : Fact::Null();
}

Fact DnsServers(M& m, I name) {
  const std::optional<NetInterface>& n = ReadInterface(m, name);
  if (!n || !IpEnabled(m, name)) return Fact::Null();
  const ResolverConfig config = Resolvers(m, n->ifindex);
  if (config.servers.empty()) return Fact::Null();
  return Fact::List(config.servers);
}

Fact DnsDomain(M& m, I name) {
  const std::optional<NetInterface>& n = ReadInterface(m, name);
  if (!n || !IpEnabled(m, name)) return Fact::Null();
  if (const std::optional<DhcpLease> lease = Lease(m, name); lease && lease->domain) {
    return Fact::Text(*lease->domain);
  }
  return FactFrom(Resolvers(m, n->ifindex).domain);
}

Fact Description(M& m, I name) {
  return WithInterface(m, name, [](const NetInterface& n) {
    if (n.productName) return Fact::Text(*n.productName);
    return n.physical ? Fact::Null() : Fact::Text(n.name);
  });
}

constexpr PropertySchema kProperties[] = {
    {"DefaultIPGateway", CimType::kStringArray, Gateways},
    {"Description", CimType::kString, Description},
    {"DHCPEnabled", CimType::kBoolean, DhcpEnabled},
    {"DHCPServer", CimType::kString, DhcpServer},
    {"DNSDomain", CimType::kString, DnsDomain},
    {"DNSServerSearchOrder", CimType::kStringArray, DnsServers},
    {"Index", CimType::kUint32, InterfaceIndex},
    {"InterfaceIndex", CimType::kUint32, InterfaceIndex},
    {"IPAddress", CimType::kStringArray, IpAddress},
    {"IPEnabled", CimType::kBoolean, IpEnabledFact},
    {"IPSubnet", CimType::kStringArray, IpSubnet},
    {"MACAddress", CimType::kString, InterfaceMacAddress},
    {"ServiceName", CimType::kString, InterfaceServiceName},
};

}  // namespace

const ClassSchema& NetworkAdapterConfigurationClass() {
  static const ClassSchema schema{"Win32_NetworkAdapterConfiguration", InterfaceInstances,
                                  kProperties};
  return schema;
}

}  // namespace hwident
