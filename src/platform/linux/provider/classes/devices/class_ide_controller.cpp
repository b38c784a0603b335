// Win32_IDEController: IDE (0x0101) and SATA (0x0106) controllers, which
// Windows' inbox AHCI driver lists as "IDE ATA/ATAPI controllers".
// ProtocolSupported is CIM_Controller's 37 (IDE).
#include "platform/linux/provider/classes/devices/controller_facts.h"
#include "platform/linux/provider/classes/provider_classes.h"

namespace hwident {
namespace {

constexpr std::uint16_t kClasses[] = {0x0101, 0x0106};
constexpr ControllerKind kKind{"Win32_IDEController", kClasses, 37};
using Table = ControllerTable<kKind>;

}  // namespace

const ClassSchema& IdeControllerClass() {
  static const ClassSchema schema{"Win32_IDEController", Table::Instances, Table::kProperties};
  return schema;
}

}  // namespace hwident
