#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/linux/provider/machine/machine.h"

namespace hwident {

// The properties udev keeps for a device in its database
// (/run/udev/data/<id>, world-readable): the "E:KEY=VALUE" lines. Other
// line kinds (links, tags, timestamps) are not properties and are skipped.
using UdevProperties = std::map<std::string, std::string>;
UdevProperties ParseUdevProperties(const std::string& text);

// The properties of the DMI device ("+dmi:id"); empty when udev keeps none.
const UdevProperties& DmiUdevProperties(Machine& machine);

// One property of a device by its database id: block devices are
// "bMAJOR:MINOR", network interfaces "nIFINDEX". Nothing when udev keeps no
// record of the device (no udev, a container, a device it has not seen) or
// the record lacks the key.
std::optional<std::string> UdevProperty(Machine& machine, const std::string& id,
                                        const std::string& key);

}  // namespace hwident
