// Win32_SoundDevice: one object per HD Audio codec, or per sound card
// without codecs.
#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/sound/sound_devices.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

template <std::optional<std::string> SoundDevice::*Field>
Fact Read(M& m, I key) {
  const auto device = ReadSoundDevice(m, key);
  return device ? FactFrom((*device).*Field) : Fact::Null();
}

constexpr PropertySchema kProperties[] = {
    {"Caption", CimType::kString, Read<&SoundDevice::name>},
    {"Description", CimType::kString, Read<&SoundDevice::name>},
    // Windows keys sound devices by their device instance id.
    {"DeviceID", CimType::kString, Read<&SoundDevice::pnpDeviceId>},
    {"Manufacturer", CimType::kString, Read<&SoundDevice::manufacturer>},
    {"Name", CimType::kString, Read<&SoundDevice::name>},
    {"PNPDeviceID", CimType::kString, Read<&SoundDevice::pnpDeviceId>},
    {"ProductName", CimType::kString, Read<&SoundDevice::name>},
    {"Status", CimType::kString, [](M&, I) { return Constant("OK"); }},
    // 3: enabled.
    {"StatusInfo", CimType::kUint16, [](M&, I) { return Fact::Number(3); }},
};

}  // namespace

const ClassSchema& SoundDeviceClass() {
  static const ClassSchema schema{"Win32_SoundDevice", SoundDeviceKeys, kProperties};
  return schema;
}

}  // namespace hwident
