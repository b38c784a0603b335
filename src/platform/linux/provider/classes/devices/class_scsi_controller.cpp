// Win32_SCSIController: the "storage controllers" Windows lists here: SCSI
// (0x0100, virtio-scsi and virtio-blk among them), RAID (0x0104), SAS
// (0x0107) and NVMe (0x0108) controllers.
// ProtocolSupported stays null: the documented values name no NVMe or SAS
// protocol, and Windows leaves the property empty for these controllers.
#include "platform/linux/provider/classes/devices/controller_facts.h"
#include "platform/linux/provider/classes/provider_classes.h"

namespace hwident {
namespace {

constexpr std::uint16_t kClasses[] = {0x0100, 0x0104, 0x0107, 0x0108};
constexpr ControllerKind kKind{"Win32_SCSIController", kClasses, 0};
using Table = ControllerTable<kKind>;
constexpr auto kProperties = JoinedProperties(Table::kProperties, kScsiControllerProperties);

}  // namespace

const ClassSchema& ScsiControllerClass() {
  static const ClassSchema schema{"Win32_SCSIController", Table::Instances, kProperties};
  return schema;
}

}  // namespace hwident
