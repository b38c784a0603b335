#pragma once

#include <string>
#include <vector>

#include "platform/linux/provider/class_schema.h"

namespace hwident {

// The classes the provider answers, one file each.
const ClassSpec& BaseBoardClass();
const ClassSpec& BiosClass();
const ClassSpec& CdromDriveClass();
const ClassSpec& ComputerSystemClass();
const ClassSpec& ComputerSystemProductClass();
const ClassSpec& OperatingSystemClass();
const ClassSpec& ProcessorClass();
const ClassSpec& SystemEnclosureClass();

// One instance on a machine with SMBIOS, none without: the firmware classes
// describe SMBIOS structures, and a machine without them has no such object.
std::vector<std::string> InstanceIfDmi(Machine& machine);

}  // namespace hwident
