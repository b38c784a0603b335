#include "platform/linux/provider/sources/network/network_interface.h"

#include <algorithm>

#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/sources/system/udev_database.h"

namespace hwident {
namespace {

constexpr int kLoopbackType = 772;  // ARPHRD_LOOPBACK
constexpr unsigned kUp = 0x1;       // IFF_UP

std::optional<std::int64_t> Number(Machine& machine, const std::string& path, int base = 10) {
  const std::optional<std::string> text = machine.Text(path);
  if (!text) return std::nullopt;
  const std::string digits = Trim(*text);
  if (base == 16) {
    if (digits.size() < 3 || digits.size() > 10 || digits.compare(0, 2, "0x") != 0 ||
        digits.find_first_not_of("0123456789abcdefABCDEF", 2) != std::string::npos) {
      return std::nullopt;
    }
    return static_cast<std::int64_t>(std::stoul(digits.substr(2), nullptr, 16));
  }
  return ParseDecimal(digits);
}

// "02:fc:00:00:00:01" -> upper case; nothing for an address of all zeros
// (tunnels) or that is not colon-separated hex.
std::optional<std::string> MacAddress(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  const std::string address = Trim(*text);
  if (address.empty() ||
      address.find_first_not_of("0123456789abcdefABCDEF:") != std::string::npos ||
      address.find_first_not_of("0:") == std::string::npos) {
    return std::nullopt;
  }
  return ToUpper(address);
}

}  // namespace

const std::vector<std::string>& InterfaceNames(Machine& machine) {
  return machine.Derived<std::vector<std::string>>("interface-names", [&machine] {
    std::vector<std::pair<std::int64_t, std::string>> numbered;
    for (const std::string& name : machine.List("/sys/class/net")) {
      const std::string base = "/sys/class/net/" + name;
      const auto index = Number(machine, base + "/ifindex");
      if (!index) continue;
      if (Number(machine, base + "/type").value_or(0) == kLoopbackType) continue;
      numbered.emplace_back(*index, name);
    }
    std::sort(numbered.begin(), numbered.end());
    std::vector<std::string> names;
    for (const auto& [index, name] : numbered) names.push_back(name);
    return names;
  });
}

const std::optional<NetInterface>& ReadInterface(Machine& machine, const std::string& name) {
  return machine.Derived<std::optional<NetInterface>>(
      "interface:" + name, [&]() -> std::optional<NetInterface> {
        const std::string base = "/sys/class/net/" + name;
        const auto index = Number(machine, base + "/ifindex");
        if (!index || *index <= 0 || *index > 0x7FFFFFFF) return std::nullopt;
        NetInterface interface;
        interface.name = name;
        interface.ifindex = static_cast<int>(*index);
        interface.type = static_cast<int>(Number(machine, base + "/type").value_or(0));
        interface.mac = MacAddress(machine.Text(base + "/address"));
        interface.flags = static_cast<unsigned>(Number(machine, base + "/flags", 16).value_or(0));
        interface.operstate = Trim(machine.Text(base + "/operstate").value_or(""));
        // The kernel answers -1 (or refuses the read) while the link is down.
        if (const auto speed = Number(machine, base + "/speed"); speed && *speed > 0) {
          interface.speedMbps = static_cast<std::uint64_t>(*speed);
        }
        if (const auto device = machine.Resolve(base + "/device")) {
          interface.physical = true;
          interface.bus = NearestBusDevice(machine, *device);
          if (const auto driver = machine.Resolve(*device + "/driver")) {
            interface.driver = driver->substr(driver->rfind('/') + 1);
          }
        }
        // udev's hardware database names the device; the ids files the
        // system ships are the fallback.
        const std::string udev = "n" + std::to_string(interface.ifindex);
        interface.vendorName = UdevProperty(machine, udev, "ID_VENDOR_FROM_DATABASE");
        interface.productName = UdevProperty(machine, udev, "ID_MODEL_FROM_DATABASE");
        if (interface.bus && !interface.vendorName) {
          interface.vendorName = IdsVendorName(machine, *interface.bus);
        }
        if (interface.bus && !interface.productName) {
          interface.productName = IdsProductName(machine, *interface.bus);
        }
        return interface;
      });
}

int ConnectionStatus(const NetInterface& interface) {
  if ((interface.flags & kUp) == 0) return 0;
  if (interface.operstate == "up" || interface.operstate == "unknown") return 2;
  if (interface.operstate == "dormant") return 1;
  return 7;
}

}  // namespace hwident
