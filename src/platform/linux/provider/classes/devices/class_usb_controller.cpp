// Win32_USBController: one object per USB host controller (PCI class 0x0C03).
#include "platform/linux/provider/classes/devices/controller_facts.h"
#include "platform/linux/provider/classes/provider_classes.h"

namespace hwident {
namespace {

constexpr std::uint16_t kClasses[] = {0x0C03};
constexpr ControllerKind kKind{kClasses, 16};

std::vector<std::string> Controllers(Machine& machine) {
  return ControllerAddresses(machine, kKind);
}

// CIM_Controller's 16 (Universal Serial Bus).
Fact Protocol(Machine& machine, const std::string& address) {
  if (ControllerPnpDeviceId(machine, address).IsNull()) return Fact::Null();
  return Fact::Number(kKind.protocol);
}

constexpr PropertySchema kProperties[] = {
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

}  // namespace

const ClassSchema& UsbControllerClass() {
  static const ClassSchema schema{"Win32_USBController", Controllers, kProperties};
  return schema;
}

}  // namespace hwident
