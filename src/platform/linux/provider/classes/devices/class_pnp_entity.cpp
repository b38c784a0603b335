// Win32_PnPEntity: every device with a Plug and Play identity.
#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/devices/pnp_devices.h"
#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

std::vector<std::string> Devices(M& m) {
  return PnpDeviceKeys(m);
}

Fact Name(M& m, I key) {
  return FactFrom(PnpName(m, key));
}

Fact Manufacturer(M& m, I key) {
  return FactFrom(PnpManufacturer(m, key));
}

Fact PnpDeviceId(M& m, I key) {
  return FactFrom(ReadPnpFacts(m, key).pnpDeviceId);
}

// A device without a driver has no setup class: Windows files it under
// "Other devices", with neither class name nor GUID.
Fact ClassName(M& m, I key) {
  const auto& setupClass = ReadPnpFacts(m, key).setupClass;
  return setupClass ? Fact::Text(std::string(setupClass->name)) : Fact::Null();
}

Fact ClassGuid(M& m, I key) {
  const auto& setupClass = ReadPnpFacts(m, key).setupClass;
  return setupClass ? Fact::Text(std::string(setupClass->guid)) : Fact::Null();
}

Fact Service(M& m, I key) {
  return FactFrom(ReadPnpFacts(m, key).driver);
}

Fact ErrorCode(M& m, I key) {
  const auto& code = ReadPnpFacts(m, key).errorCode;
  return code ? Fact::Number(*code) : Fact::Null();
}

Fact Status(M& m, I key) {
  const auto& code = ReadPnpFacts(m, key).errorCode;
  if (!code) return Fact::Null();
  return Constant(*code == 0 ? "OK" : "Error");
}

// Every device listed is one the kernel sees now.
Fact Present(M& m, I key) {
  return ReadPnpFacts(m, key).pnpDeviceId ? Fact::Flag(true) : Fact::Null();
}

Fact SystemName(M& m, I) {
  return FactFrom(NetBiosName(m));
}

// Windows lists several hardware and compatible ids, built by each bus's
// rules; only the most specific is certain (Win32_PnPSignedDriver gives it),
// so both lists stay null, as do the properties Linux has no source for.
constexpr PropertySchema kProperties[] = {
    {"Availability", CimType::kUint16, NullFact},
    {"Caption", CimType::kString, Name},
    {"ClassGuid", CimType::kString, ClassGuid},
    {"CompatibleID", CimType::kStringArray, NullFact},
    {"ConfigManagerErrorCode", CimType::kUint32, ErrorCode},
    {"ConfigManagerUserConfig", CimType::kBoolean, NullFact},
    {"CreationClassName", CimType::kString, [](M&, I) { return Constant("Win32_PnPEntity"); }},
    {"Description", CimType::kString, Name},
    // Windows keys devices by their instance id.
    {"DeviceID", CimType::kString, PnpDeviceId},
    {"ErrorCleared", CimType::kBoolean, NullFact},
    {"ErrorDescription", CimType::kString, NullFact},
    {"HardwareID", CimType::kStringArray, NullFact},
    {"InstallDate", CimType::kDatetime, NullFact},
    {"LastErrorCode", CimType::kUint32, NullFact},
    {"Manufacturer", CimType::kString, Manufacturer},
    {"Name", CimType::kString, Name},
    {"PNPClass", CimType::kString, ClassName},
    {"PNPDeviceID", CimType::kString, PnpDeviceId},
    {"PowerManagementCapabilities", CimType::kUint16Array, NullFact},
    {"PowerManagementSupported", CimType::kBoolean, NullFact},
    {"Present", CimType::kBoolean, Present},
    {"Service", CimType::kString, Service},
    {"Status", CimType::kString, Status},
    {"StatusInfo", CimType::kUint16, NullFact},
    {"SystemCreationClassName", CimType::kString,
     [](M&, I) { return Constant("Win32_ComputerSystem"); }},
    {"SystemName", CimType::kString, SystemName},
};

}  // namespace

const ClassSchema& PnpEntityClass() {
  static const ClassSchema schema{"Win32_PnPEntity", Devices, kProperties};
  return schema;
}

}  // namespace hwident
