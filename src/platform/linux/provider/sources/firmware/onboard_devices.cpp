#include "platform/linux/provider/sources/firmware/onboard_devices.h"

#include "platform/linux/provider/sources/firmware/machine_smbios.h"

namespace hwident {
namespace {

constexpr std::uint8_t kOnBoardDevices = 10;
constexpr std::uint8_t kOnBoardDevicesExtended = 41;

// The type byte: bit 7 says the device is enabled, bits 0-6 its kind.
// Other, unknown, video, SCSI, Ethernet, token ring and sound are numbered
// alike in CIM; the later kinds (PATA, SATA, SAS, wireless, Bluetooth,
// WWAN, eMMC, NVMe, UFS) have no CIM value.
OnBoardDevice DeviceFrom(std::uint8_t type, std::optional<std::string> description) {
  OnBoardDevice device;
  device.description = std::move(description);
  const int kind = type & 0x7F;
  if (kind >= 1 && kind <= 7) device.deviceType = kind;
  device.enabled = (type & 0x80) != 0;
  return device;
}

}  // namespace

std::vector<OnBoardDevice> OnBoardDevicesFromSmbios(const SmbiosTable& table) {
  std::vector<OnBoardDevice> devices;
  for (const SmbiosStructure& s : table.structures) {
    if (s.type == kOnBoardDevices && s.formatted.size() >= smbios_minimum::kOnBoard) {
      // Two bytes a device after the header: its type and its description's
      // string; an odd byte left over is no device.
      const std::size_t count = (s.formatted.size() - 4) / 2;
      for (std::size_t i = 0; i < count; ++i) {
        const std::size_t offset = 4 + 2 * i;
        devices.push_back(DeviceFrom(s.Byte(offset).value_or(0), s.String(offset + 1)));
      }
    } else if (s.type == kOnBoardDevicesExtended &&
               s.formatted.size() >= smbios_minimum::kOnBoardExtended) {
      devices.push_back(DeviceFrom(s.Byte(0x05).value_or(0), s.String(0x04)));
    }
  }
  return devices;
}

const std::vector<OnBoardDevice>& ReadOnBoardDevices(Machine& machine) {
  return machine.Derived<std::vector<OnBoardDevice>>("on-board devices", [&machine] {
    const SmbiosTable* table = ReadSmbios(machine);
    return table == nullptr ? std::vector<OnBoardDevice>{} : OnBoardDevicesFromSmbios(*table);
  });
}

}  // namespace hwident
