#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/sources/display/edid.h"

namespace hwident {

// One output (connector) of a DRM card: /sys/class/drm/cardN-NAME.
struct DrmOutput {
  std::string name;       // "card0-eDP-1"
  int card = 0;           // N
  std::string connector;  // "eDP-1"
  bool connected = false;
  bool enabled = false;
  // The first mode listed, the preferred one: what the output shows unless
  // the desktop chose another (sysfs does not publish the mode in use).
  // An interlaced mode ("1920x1080i") is named by its frame's lines.
  std::optional<int> width, height;
  bool interlaced = false;
  std::optional<std::string> edid;  // raw bytes; absent or empty when none
};

// The outputs of every card in card order (card2 before card10), each
// card's in the kernel's connector order.
std::vector<std::string> DrmOutputNames(Machine& machine);
// The outputs of the cards a PCI function drives.
std::vector<std::string> DrmOutputNamesOfPci(Machine& machine, const std::string& address);
std::optional<DrmOutput> ReadDrmOutput(Machine& machine, const std::string& name);

// The output a display adapter shows its picture on: the first connected,
// enabled output of its cards that lists a mode.
std::optional<DrmOutput> ActiveOutput(Machine& machine, const std::string& pciAddress);

// The refresh rate of the mode in use, from the EDID's preferred timing
// when the mode is that timing; nothing otherwise (the kernel does not
// publish the active mode's rate in sysfs).
std::optional<int> OutputRefreshRate(const DrmOutput& output);

}  // namespace hwident
