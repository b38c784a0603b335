#pragma once

#include <string>
#include <vector>

#include "platform/linux/provider/service/class_schema.h"

namespace hwident {

// The classes the provider answers, one file each.
const ClassSchema& BaseBoardClass();
const ClassSchema& BatteryClass();
const ClassSchema& BiosClass();
const ClassSchema& BootConfigurationClass();
const ClassSchema& CacheMemoryClass();
const ClassSchema& CdromDriveClass();
const ClassSchema& ComputerSystemClass();
const ClassSchema& ComputerSystemProductClass();
const ClassSchema& DesktopMonitorClass();
const ClassSchema& DiskDriveClass();
const ClassSchema& DiskPartitionClass();
const ClassSchema& EnvironmentClass();
const ClassSchema& GroupClass();
const ClassSchema& IdeControllerClass();
const ClassSchema& KeyboardClass();
const ClassSchema& LogicalDiskClass();
const ClassSchema& LogonSessionClass();
const ClassSchema& NetworkAdapterClass();
const ClassSchema& NetworkAdapterConfigurationClass();
const ClassSchema& OnBoardDeviceClass();
const ClassSchema& OperatingSystemClass();
const ClassSchema& PageFileSettingClass();
const ClassSchema& PageFileUsageClass();
const ClassSchema& PhysicalMemoryArrayClass();
const ClassSchema& PhysicalMemoryClass();
const ClassSchema& PnpEntityClass();
const ClassSchema& PnpSignedDriverClass();
const ClassSchema& PointingDeviceClass();
const ClassSchema& PortConnectorClass();
const ClassSchema& PrinterClass();
const ClassSchema& ProcessClass();
const ClassSchema& ProcessorClass();
const ClassSchema& ScsiControllerClass();
const ClassSchema& ServiceClass();
const ClassSchema& ShareClass();
const ClassSchema& SoundDeviceClass();
const ClassSchema& SystemDriverClass();
const ClassSchema& SystemEnclosureClass();
const ClassSchema& SystemSlotClass();
const ClassSchema& UsbControllerClass();
const ClassSchema& UserAccountClass();
const ClassSchema& VideoControllerClass();
const ClassSchema& VolumeClass();

// One instance on a machine with SMBIOS, none without: the firmware classes
// describe SMBIOS structures, and a machine without them has no such object.
std::vector<std::string> InstanceIfDmi(Machine& machine);

}  // namespace hwident
