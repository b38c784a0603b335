// Win32_NetworkAdapter: one object per network interface but loopback, in
// ifindex order; those without a device behind them are virtual.
#include "platform/linux/provider/classes/network/interface_facts.h"
#include "platform/linux/provider/classes/provider_classes.h"

#include <cstdio>

#include "platform/linux/provider/sources/network/network_interface.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

Fact DeviceId(M& m, I name) {
  return WithInterface(m, name,
                       [](const NetInterface& n) { return Fact::Text(std::to_string(n.ifindex)); });
}

// The product's name; a virtual interface has none and goes by its own.
Fact Name(M& m, I name) {
  return WithInterface(m, name, [](const NetInterface& n) {
    if (n.productName) return Fact::Text(*n.productName);
    return n.physical ? Fact::Null() : Fact::Text(n.name);
  });
}

// "[00000004] Name", as Windows captions adapters by index.
Fact Caption(M& m, I name) {
  const Fact text = Name(m, name);
  const std::optional<NetInterface>& n = ReadInterface(m, name);
  if (text.IsNull() || !n) return Fact::Null();
  char index[16];
  std::snprintf(index, sizeof index, "[%08d] ", n->ifindex);
  return Fact::Text(index + text.text);
}

Fact Manufacturer(M& m, I name) {
  return WithInterface(m, name, [](const NetInterface& n) { return FactFrom(n.vendorName); });
}

// Windows calls Wi-Fi "Ethernet 802.3" too; the link types it has no word
// for are null.
enum class Word { kText, kId };
template <Word Which>
Fact AdapterType(M& m, I name) {
  return WithInterface(m, name, [](const NetInterface& n) {
    static const struct {
      int linkType, id;
      const char* text;
    } kTypes[] = {
        {1, 0, "Ethernet 802.3"}, {800, 1, "Token Ring 802.5"},
        {774, 2, "FDDI"},         {512, 3, "WAN"},
        {7, 6, "ARCNET"},         {19, 8, "ATM"},
        {24, 13, "1394"},
    };
    for (const auto& type : kTypes) {
      if (type.linkType != n.type) continue;
      return Which == Word::kText ? Constant(type.text) : Fact::Number(type.id);
    }
    return Fact::Null();
  });
}

Fact Status(M& m, I name) {
  return WithInterface(m, name,
                       [](const NetInterface& n) { return Fact::Number(ConnectionStatus(n)); });
}

Fact NetEnabled(M& m, I name) {
  return WithInterface(m, name,
                       [](const NetInterface& n) { return Fact::Flag((n.flags & 0x1) != 0); });
}

Fact Physical(M& m, I name) {
  return WithInterface(m, name, [](const NetInterface& n) { return Fact::Flag(n.physical); });
}

Fact PnpDevice(M& m, I name) {
  return WithInterface(m, name, [](const NetInterface& n) {
    return n.bus ? Fact::Text(PnpDeviceId(*n.bus)) : Fact::Null();
  });
}

// Bits per second; null while the link is down, and for Wi-Fi, whose rate
// the kernel does not give as a speed.
Fact Speed(M& m, I name) {
  return WithInterface(m, name, [](const NetInterface& n) {
    if (!n.speedMbps || ConnectionStatus(n) != 2) return Fact::Null();
    return Fact::Text(std::to_string(*n.speedMbps * 1000000));
  });
}

Fact ConnectionId(M& m, I name) {
  return WithInterface(m, name, [](const NetInterface& n) { return Fact::Text(n.name); });
}

constexpr PropertySchema kProperties[] = {
    {"AdapterType", CimType::kString, AdapterType<Word::kText>},
    {"AdapterTypeId", CimType::kUint16, AdapterType<Word::kId>},
    {"Caption", CimType::kString, Caption},
    {"Description", CimType::kString, Name},
    {"DeviceID", CimType::kString, DeviceId},
    {"Index", CimType::kUint32, InterfaceIndex},
    {"InterfaceIndex", CimType::kUint32, InterfaceIndex},
    {"MACAddress", CimType::kString, InterfaceMacAddress},
    {"Manufacturer", CimType::kString, Manufacturer},
    {"Name", CimType::kString, Name},
    {"NetConnectionID", CimType::kString, ConnectionId},
    {"NetConnectionStatus", CimType::kUint16, Status},
    {"NetEnabled", CimType::kBoolean, NetEnabled},
    {"PhysicalAdapter", CimType::kBoolean, Physical},
    {"PNPDeviceID", CimType::kString, PnpDevice},
    {"ProductName", CimType::kString, Name},
    {"ServiceName", CimType::kString, InterfaceServiceName},
    {"Speed", CimType::kUint64, Speed},
};

}  // namespace

const ClassSchema& NetworkAdapterClass() {
  static const ClassSchema schema{"Win32_NetworkAdapter", InterfaceInstances, kProperties};
  return schema;
}

}  // namespace hwident
