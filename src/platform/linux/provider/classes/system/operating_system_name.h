#pragma once

#include <optional>
#include <string>

#include "platform/linux/provider/machine/machine.h"

namespace hwident {

// Win32_OperatingSystem's Name, which other classes repeat as OSName.
std::optional<std::string> OperatingSystemName(Machine& machine);

}  // namespace hwident
