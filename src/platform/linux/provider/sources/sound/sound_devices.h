#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/machine.h"

namespace hwident {

// A sound device as Windows lists them: each codec of an HD Audio card
// (/sys/class/sound/hwCnDm, one per codec the driver found), or the card
// itself when it has none (USB audio, HDMI-only controllers).
struct SoundDevice {
  std::string key;  // "hwC0D0" or "card1"
  int card = 0;
  std::optional<std::string> name, manufacturer, pnpDeviceId;
};

// In card order, each card's codecs in address order.
std::vector<std::string> SoundDeviceKeys(Machine& machine);
std::optional<SoundDevice> ReadSoundDevice(Machine& machine, const std::string& key);

// HDAUDIO\FUNC_01&VEN_10EC&DEV_0287&SUBSYS_17AA22D8&REV_1000\<instance> from
// the codec's ids as the kernel prints them ("0x10ec0287"). Windows' REV_
// is bits 8 to 23 of the revision id. The instance (Windows hashes the
// controller's path) is the card and codec address: 0&0000.
std::optional<std::string> HdaPnpDeviceId(const std::string& vendorId,
                                          const std::string& subsystemId,
                                          const std::string& revisionId, int card, int address);

}  // namespace hwident
