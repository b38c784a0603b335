#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/provider/service/class_schema.h"

namespace hwident {

// The storage and USB controller classes: one object per PCI function of
// the class codes a class takes, in address order.
struct ControllerKind {
  std::string_view className;
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
Fact ControllerSystemClass(Machine& machine, const std::string& address);
Fact ControllerSystemName(Machine& machine, const std::string& address);
// The bound driver's name, as Win32_PnPEntity's Service gives it.
Fact ControllerDriver(Machine& machine, const std::string& address);

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

  static Fact ClassName(Machine&, const std::string&) { return Constant(Kind.className); }

  // Every class documents CIM_Controller's properties; those Linux has no
  // source for are null (docs/linux-classes.md says why).
  static constexpr PropertySchema kProperties[] = {
      {"Availability", CimType::kUint16, ControllerAvailability},
      {"Caption", CimType::kString, ControllerName},
      {"ConfigManagerErrorCode", CimType::kUint32, ControllerErrorCode},
      {"ConfigManagerUserConfig", CimType::kBoolean, NullFact},
      {"CreationClassName", CimType::kString, ClassName},
      {"Description", CimType::kString, ControllerName},
      // Windows keys controllers by their device instance id.
      {"DeviceID", CimType::kString, ControllerPnpDeviceId},
      {"ErrorCleared", CimType::kBoolean, NullFact},
      {"ErrorDescription", CimType::kString, NullFact},
      {"InstallDate", CimType::kDatetime, NullFact},
      {"LastErrorCode", CimType::kUint32, NullFact},
      {"Manufacturer", CimType::kString, ControllerManufacturer},
      {"MaxNumberControlled", CimType::kUint32, NullFact},
      {"Name", CimType::kString, ControllerName},
      {"PNPDeviceID", CimType::kString, ControllerPnpDeviceId},
      {"PowerManagementCapabilities", CimType::kUint16Array, NullFact},
      {"PowerManagementSupported", CimType::kBoolean, NullFact},
      {"ProtocolSupported", CimType::kUint16, Protocol},
      {"Status", CimType::kString, ControllerStatus},
      {"StatusInfo", CimType::kUint16, NullFact},
      {"SystemCreationClassName", CimType::kString, ControllerSystemClass},
      {"SystemName", CimType::kString, ControllerSystemName},
      {"TimeOfLastReset", CimType::kDatetime, NullFact},
  };
};

// What Win32_SCSIController documents beyond the other controllers: the
// driver's name, and SCSI bus settings Linux keeps per host, not per
// controller function.
inline constexpr PropertySchema kScsiControllerProperties[] = {
    {"ControllerTimeouts", CimType::kUint32, NullFact},
    {"DeviceMap", CimType::kString, NullFact},
    {"DriverName", CimType::kString, ControllerDriver},
    {"HardwareVersion", CimType::kString, NullFact},
    {"Index", CimType::kUint32, NullFact},
    {"MaxDataWidth", CimType::kUint32, NullFact},
    {"MaxTransferRate", CimType::kUint64, NullFact},
    {"ProtectionManagement", CimType::kUint16, NullFact},
};

// A class's table followed by more properties, as one table.
template <std::size_t First, std::size_t Second>
constexpr std::array<PropertySchema, First + Second> JoinedProperties(
    const PropertySchema (&first)[First], const PropertySchema (&second)[Second]) {
  std::array<PropertySchema, First + Second> joined{};
  for (std::size_t i = 0; i < First; ++i) joined[i] = first[i];
  for (std::size_t i = 0; i < Second; ++i) joined[First + i] = second[i];
  return joined;
}

}  // namespace hwident
