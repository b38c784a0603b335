#pragma once

#include <string>
#include <vector>

#include "platform/linux/provider/service/class_schema.h"

namespace hwident {

// The classes the provider answers, one file each.
const ClassSchema& BaseBoardClass();
const ClassSchema& BiosClass();
const ClassSchema& CdromDriveClass();
const ClassSchema& ComputerSystemClass();
const ClassSchema& ComputerSystemProductClass();
const ClassSchema& OperatingSystemClass();
const ClassSchema& ProcessorClass();
const ClassSchema& SystemEnclosureClass();

// One instance on a machine with SMBIOS, none without: the firmware classes
// describe SMBIOS structures, and a machine without them has no such object.
std::vector<std::string> InstanceIfDmi(Machine& machine);

}  // namespace hwident
