#include "platform/linux/provider/sources/network/ip_configuration.h"

#include <cstdio>
#include <sstream>

#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {
namespace {

constexpr unsigned kGatewayFlag = 0x2;  // RTF_GATEWAY

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::istringstream stream{std::string(text)};
  std::string line;
  while (std::getline(stream, line)) lines.push_back(line);
  return lines;
}

bool IsHexText(const std::string& text, std::size_t length) {
  return text.size() == length &&
         text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

// 32 hex digits -> the usual compressed IPv6 text.
std::string Ipv6Text(const std::string& hex) {
  unsigned groups[8];
  for (int i = 0; i < 8; ++i) {
    groups[i] = static_cast<unsigned>(
        std::stoul(hex.substr(static_cast<std::size_t>(i) * 4, 4), nullptr, 16));
  }
  // The longest run of two or more zero groups becomes "::".
  int bestStart = -1, bestLength = 0;
  for (int i = 0; i < 8;) {
    int j = i;
    while (j < 8 && groups[j] == 0) ++j;
    if (j - i > bestLength && j - i >= 2) bestStart = i, bestLength = j - i;
    i = j == i ? i + 1 : j;
  }
  std::string text;
  char buffer[8];
  for (int i = 0; i < 8; ++i) {
    if (i == bestStart) {
      text += "::";
      i += bestLength - 1;
      continue;
    }
    if (!text.empty() && text.back() != ':') text += ':';
    std::snprintf(buffer, sizeof buffer, "%x", groups[i]);
    text += buffer;
  }
  return text;
}

std::string WithoutComment(const std::string& line) {
  const std::size_t hash = line.find_first_of("#;");
  return hash == std::string::npos ? line : line.substr(0, hash);
}

}  // namespace

std::vector<std::string> ParseIpv4DefaultGateways(std::string_view routes,
                                                  const std::string& interface) {
  std::vector<std::string> gateways;
  // Iface Destination Gateway Flags RefCnt Use Metric Mask ...; addresses in
  // hex, in the machine's (little-endian) byte order.
  for (const std::string& line : Lines(routes)) {
    std::istringstream fields(line);
    std::string name, destination, gateway, flags, refs, use, metric, mask;
    if (!(fields >> name >> destination >> gateway >> flags >> refs >> use >> metric >> mask)) {
      continue;
    }
    if (name != interface || !IsHexText(destination, 8) || !IsHexText(gateway, 8) ||
        !IsHexText(mask, 8) || flags.size() > 8 || !IsHexText(flags, flags.size())) {
      continue;
    }
    const unsigned long value = std::stoul(gateway, nullptr, 16);
    if (std::stoul(destination, nullptr, 16) != 0 || std::stoul(mask, nullptr, 16) != 0 ||
        (std::stoul(flags, nullptr, 16) & kGatewayFlag) == 0 || value == 0) {
      continue;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%lu.%lu.%lu.%lu", value & 0xFF, (value >> 8) & 0xFF,
                  (value >> 16) & 0xFF, (value >> 24) & 0xFF);
    gateways.push_back(text);
  }
  return gateways;
}

std::vector<std::string> ParseIpv6DefaultGateways(std::string_view routes,
                                                  const std::string& interface) {
  std::vector<std::string> gateways;
  // DEST DESTLEN SRC SRCLEN NEXTHOP METRIC REFS USE FLAGS IFACE
  for (const std::string& line : Lines(routes)) {
    std::istringstream fields(line);
    std::string destination, length, source, sourceLength, hop, metric, refs, use, flags, name;
    if (!(fields >> destination >> length >> source >> sourceLength >> hop >> metric >> refs >>
          use >> flags >> name)) {
      continue;
    }
    if (name != interface || !IsHexText(destination, 32) || length != "00" || !IsHexText(hop, 32) ||
        destination.find_first_not_of('0') != std::string::npos ||
        hop.find_first_not_of('0') == std::string::npos) {
      continue;
    }
    gateways.push_back(Ipv6Text(hop));
  }
  return gateways;
}

ResolverConfig ParseResolvConf(std::string_view text) {
  ResolverConfig config;
  std::optional<std::string> domain, search;
  for (const std::string& line : Lines(text)) {
    std::istringstream fields(WithoutComment(line));
    std::string key, value;
    if (!(fields >> key >> value)) continue;
    if (key == "nameserver") config.servers.push_back(value);
    // The last "domain" or "search" line counts, as for the resolver.
    if (key == "domain") domain = value, search.reset();
    if (key == "search") search = value, domain.reset();
  }
  config.domain = search ? search : domain;
  if (config.domain && *config.domain == ".") config.domain.reset();
  return config;
}

DhcpLease ParseKeyValueLease(std::string_view text) {
  DhcpLease lease;
  for (const std::string& line : Lines(text)) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, equals));
    const std::string value = Trim(line.substr(equals + 1));
    if (value.empty()) continue;
    if (key == "SERVER_ADDRESS") lease.server = value;
    if (key == "DOMAINNAME") lease.domain = value;
    if (key == "DNS") {
      std::istringstream servers(value);
      std::string server;
      while (servers >> server) lease.dnsServers.push_back(server);
    }
  }
  return lease;
}

DhcpLease ParseDhclientLease(std::string_view text) {
  DhcpLease lease, current;
  bool inside = false;
  for (const std::string& raw : Lines(text)) {
    std::string line = Trim(raw);
    if (line.rfind("lease", 0) == 0 && line.find('{') != std::string::npos) {
      inside = true;
      current = DhcpLease{};
      continue;
    }
    if (line == "}") {
      if (inside) lease = current;
      inside = false;
      continue;
    }
    if (!inside || line.rfind("option ", 0) != 0) continue;
    if (!line.empty() && line.back() == ';') line.pop_back();
    std::istringstream fields(line.substr(7));
    std::string name, value;
    fields >> name;
    std::getline(fields, value);
    value = Trim(value);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    if (value.empty()) continue;
    if (name == "dhcp-server-identifier") current.server = value;
    if (name == "domain-name") current.domain = value.substr(0, value.find(' '));
    if (name == "domain-name-servers") {
      std::istringstream servers(value);
      std::string server;
      while (std::getline(servers, server, ',')) current.dnsServers.push_back(Trim(server));
    }
  }
  return lease;
}

std::optional<DhcpLease> FindLease(Machine& machine, const std::string& name, int ifindex) {
  if (const auto& text = machine.Raw("/run/systemd/netif/leases/" + std::to_string(ifindex))) {
    return ParseKeyValueLease(*text);
  }
  const std::string suffix = "-" + name + ".lease";
  for (const std::string& file : machine.List("/var/lib/NetworkManager")) {
    if (file.rfind("internal-", 0) == 0 && file.size() > suffix.size() &&
        file.compare(file.size() - suffix.size(), suffix.size(), suffix) == 0) {
      if (const auto& text = machine.Raw("/var/lib/NetworkManager/" + file)) {
        return ParseKeyValueLease(*text);
      }
    }
  }
  if (const auto& text = machine.Raw("/var/lib/dhcp/dhclient." + name + ".leases")) {
    return ParseDhclientLease(*text);
  }
  return std::nullopt;
}

ResolverConfig Resolvers(Machine& machine, int ifindex) {
  ResolverConfig config;
  if (const auto& text = machine.Raw("/etc/resolv.conf")) config = ParseResolvConf(*text);
  // systemd-resolved's stub answers on 127.0.0.53; the servers it asks are
  // in its own copy of the file.
  if (config.servers.size() == 1 && config.servers[0] == "127.0.0.53") {
    if (const auto& text = machine.Raw("/run/systemd/resolve/resolv.conf")) {
      config = ParseResolvConf(*text);
    }
  }
  // networkd records the servers and domains each link was given.
  if (const auto& text = machine.Raw("/run/systemd/netif/links/" + std::to_string(ifindex))) {
    ResolverConfig link;
    for (const std::string& line : Lines(*text)) {
      const std::size_t equals = line.find('=');
      if (equals == std::string::npos) continue;
      std::istringstream values(line.substr(equals + 1));
      std::string value;
      const std::string key = line.substr(0, equals);
      while (values >> value) {
        if (key == "DNS") link.servers.push_back(value);
        if (key == "DOMAINS" && !link.domain) link.domain = value;
      }
    }
    if (!link.servers.empty()) config.servers = link.servers;
    if (link.domain) config.domain = link.domain;
  }
  return config;
}

std::string Ipv4Mask(int prefixLength) {
  const unsigned bits = prefixLength <= 0    ? 0u
                        : prefixLength >= 32 ? 0xFFFFFFFFu
                                             : ~((1u << (32 - prefixLength)) - 1);
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", bits >> 24, (bits >> 16) & 0xFF,
                (bits >> 8) & 0xFF, bits & 0xFF);
  return text;
}

}  // namespace hwident
