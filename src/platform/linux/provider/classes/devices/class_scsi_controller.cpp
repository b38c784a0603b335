// Win32_SCSIController: the "storage controllers" Windows lists here: SCSI
// (0x0100, virtio-scsi and virtio-blk among them), RAID (0x0104), SAS
// (0x0107) and NVMe (0x0108) controllers.
#include "platform/linux/provider/classes/devices/controller_facts.h"
#include "platform/linux/provider/classes/provider_classes.h"

namespace hwident {
namespace {

constexpr std::uint16_t kClasses[] = {0x0100, 0x0104, 0x0107, 0x0108};
constexpr ControllerKind kKind{kClasses, 0};

std::vector<std::string> Controllers(Machine& machine) {
  return ControllerAddresses(machine, kKind);
}

// The documented values name no NVMe or SAS protocol, and Windows leaves
// the property empty for its storage controllers.
Fact Protocol(Machine&, const std::string&) {
  return Fact::Null();
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

const ClassSchema& ScsiControllerClass() {
  static const ClassSchema schema{"Win32_SCSIController", Controllers, kProperties};
  return schema;
}

}  // namespace hwident
