#pragma once

#include <map>
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

}  // namespace hwident
