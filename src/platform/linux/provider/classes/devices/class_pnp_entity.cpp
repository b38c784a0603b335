// Win32_PnPEntity: every device with a Plug and Play identity.
#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/devices/pnp_devices.h"

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

constexpr PropertySchema kProperties[] = {
    {"Caption", CimType::kString, Name},
    {"ClassGuid", CimType::kString, ClassGuid},
    {"ConfigManagerErrorCode", CimType::kUint32, ErrorCode},
    {"Description", CimType::kString, Name},
    // Windows keys devices by their instance id.
    {"DeviceID", CimType::kString, PnpDeviceId},
    {"Manufacturer", CimType::kString, Manufacturer},
    {"Name", CimType::kString, Name},
    {"PNPClass", CimType::kString, ClassName},
    {"PNPDeviceID", CimType::kString, PnpDeviceId},
    {"Present", CimType::kBoolean, Present},
    {"Service", CimType::kString, Service},
    {"Status", CimType::kString, Status},
};

}  // namespace

const ClassSchema& PnpEntityClass() {
  static const ClassSchema schema{"Win32_PnPEntity", Devices, kProperties};
  return schema;
}

}  // namespace hwident
