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

// One controller class's instances and property table, made from its kind.
template <const ControllerKind& Kind>
struct ControllerTable {
  static std::vector<std::string> Instances(Machine& machine) {
    return ControllerAddresses(machine, Kind);
  }

  // The kind's CIM_Controller value, for a controller that is there.
  static Fact Protocol(Machine& machine, const std::string& address) {
    if (Kind.protocol == 0 || ControllerPnpDeviceId(machine, address).IsNull()) return Fact::Null();
    return Fact::Number(Kind.protocol);
  }

  static constexpr PropertySchema kProperties[] = {
      {"Availability", CimType::kUint16, ControllerAvailability},
      {"Caption", CimType::kString, ControllerName},
      {"ConfigManagerErrorCode", CimType::kUint32, ControllerErrorCode},
      {"Description", CimType::kString, ControllerName},
      // Windows keys controllers by their device instance id.
      {"DeviceID", CimType::kString, ControllerPnpDeviceId},
      {"Manufacturer", CimType::kString, ControllerManufacturer},
      {"Name", CimType::kString, ControllerName},
      {"PNPDeviceID", CimType::kString, ControllerPnpDeviceId},
      {"ProtocolSupported", CimType::kUint16, Protocol},
      {"Status", CimType::kString, ControllerStatus},
  };
};

}  // namespace hwident
