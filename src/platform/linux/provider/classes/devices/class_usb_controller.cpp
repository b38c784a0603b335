// Win32_USBController: one object per USB host controller (PCI class 0x0C03),
// ProtocolSupported CIM_Controller's 16 (Universal Serial Bus).
#include "platform/linux/provider/classes/devices/controller_facts.h"
#include "platform/linux/provider/classes/provider_classes.h"

namespace hwident {
namespace {

constexpr std::uint16_t kClasses[] = {0x0C03};
constexpr ControllerKind kKind{"Win32_USBController", kClasses, 16};
using Table = ControllerTable<kKind>;

}  // namespace

const ClassSchema& UsbControllerClass() {
  static const ClassSchema schema{"Win32_USBController", Table::Instances, Table::kProperties};
  return schema;
}

}  // namespace hwident
