// Win32_VideoController: one object per display-class PCI function.
#include <algorithm>

#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/display/drm_outputs.h"
#include "platform/linux/provider/sources/system/pci_function.h"
#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/sources/system/udev_database.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

constexpr std::uint8_t kDisplayClass = 0x03;
// Windows' AdapterRAM is a uint32 and shows this for 4 GiB or more.
constexpr std::int64_t kAdapterRamCap = 4293918720;

std::vector<std::string> Adapters(M& m) {
  return PciAddressesOfClass(m, kDisplayClass);
}

template <typename Read>
Fact WithAdapter(M& m, I address, Read read) {
  const std::optional<PciFunction> function = ReadPciFunction(m, address);
  if (!function) return Fact::Null();
  return read(*function);
}

// Windows numbers its controllers from 1 in the order it finds them.
Fact DeviceId(M& m, I address) {
  const std::vector<std::string> all = Adapters(m);
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i] == address) return Fact::Text("VideoController" + std::to_string(i + 1));
  }
  return Fact::Null();
}

// Windows names the adapter by its driver's text; Linux has the hardware
// database's name for the ids, which udev records.
Fact Name(M& m, I address) {
  return FactFrom(UdevProperty(m, "+pci:" + address, "ID_MODEL_FROM_DATABASE"));
}

Fact Vendor(M& m, I address) {
  return FactFrom(UdevProperty(m, "+pci:" + address, "ID_VENDOR_FROM_DATABASE"));
}

Fact PnpDeviceId(M& m, I address) {
  return WithAdapter(m, address,
                     [](const PciFunction& f) { return Fact::Text(PciPnpDeviceId(f)); });
}

// Only drivers with dedicated memory publish its size (amdgpu); a shared-
// memory adapter has none to give.
Fact AdapterRam(M& m, I address) {
  const auto text = m.Text("/sys/bus/pci/devices/" + address + "/mem_info_vram_total");
  const auto bytes = text ? ParseDecimal(*text) : std::nullopt;
  if (!bytes || *bytes < 0) return Fact::Null();
  return Fact::Number(std::min(*bytes, kAdapterRamCap));
}

// A driver module built apart from the kernel carries its own version; one
// built into the kernel has the kernel's.
Fact DriverVersion(M& m, I address) {
  return WithAdapter(m, address, [&m](const PciFunction& f) {
    if (!f.driver) return Fact::Null();
    // Drivers may spell with dashes what their modules spell with
    // underscores (virtio-pci, virtio_pci).
    std::string module = *f.driver;
    std::replace(module.begin(), module.end(), '-', '_');
    if (const auto version = m.Text("/sys/module/" + module + "/version")) {
      return Fact::Text(*version);
    }
    return FactFrom(m.Text("/proc/sys/kernel/osrelease"));
  });
}

// 3 running; 8 off line: no driver drives it.
Fact Availability(M& m, I address) {
  return WithAdapter(m, address,
                     [](const PciFunction& f) { return Fact::Number(f.driver ? 3 : 8); });
}

// 0 working; 28: no driver installed for the device.
Fact ConfigManagerErrorCode(M& m, I address) {
  return WithAdapter(m, address,
                     [](const PciFunction& f) { return Fact::Number(f.driver ? 0 : 28); });
}

Fact Status(M& m, I address) {
  return WithAdapter(m, address,
                     [](const PciFunction& f) { return f.driver ? Constant("OK") : Fact::Null(); });
}

template <std::optional<int> DrmOutput::*Field>
Fact Resolution(M& m, I address) {
  const auto output = ActiveOutput(m, address);
  if (!output || !((*output).*Field)) return Fact::Null();
  return Fact::Number(*((*output).*Field));
}

Fact RefreshRate(M& m, I address) {
  const auto output = ActiveOutput(m, address);
  const auto rate = output ? OutputRefreshRate(*output) : std::nullopt;
  return rate ? Fact::Number(*rate) : Fact::Null();
}

constexpr PropertySchema kProperties[] = {
    {"AdapterCompatibility", CimType::kString, Vendor},
    {"AdapterRAM", CimType::kUint32, AdapterRam},
    {"Availability", CimType::kUint16, Availability},
    {"Caption", CimType::kString, Name},
    {"ConfigManagerErrorCode", CimType::kUint32, ConfigManagerErrorCode},
    {"CurrentHorizontalResolution", CimType::kUint32, Resolution<&DrmOutput::width>},
    {"CurrentRefreshRate", CimType::kUint32, RefreshRate},
    {"CurrentVerticalResolution", CimType::kUint32, Resolution<&DrmOutput::height>},
    {"Description", CimType::kString, Name},
    {"DeviceID", CimType::kString, DeviceId},
    {"DriverVersion", CimType::kString, DriverVersion},
    {"Name", CimType::kString, Name},
    {"PNPDeviceID", CimType::kString, PnpDeviceId},
    {"Status", CimType::kString, Status},
    // 5 VGA and 2 unknown memory type: what Windows gives every adapter.
    {"VideoArchitecture", CimType::kUint16, [](M&, I) { return Fact::Number(5); }},
    {"VideoMemoryType", CimType::kUint16, [](M&, I) { return Fact::Number(2); }},
    {"VideoProcessor", CimType::kString, Name},
};

}  // namespace

const ClassSchema& VideoControllerClass() {
  static const ClassSchema schema{"Win32_VideoController", Adapters, kProperties};
  return schema;
}

}  // namespace hwident
