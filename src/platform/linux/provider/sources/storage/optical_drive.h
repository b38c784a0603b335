#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/machine.h"

namespace hwident {

enum class DriveBus { kAta, kUsb, kScsi };

// What sysfs tells about one optical drive (/sys/block/srN).
struct OpticalDrive {
  std::string name;        // "sr0"
  std::string devicePath;  // the SCSI device directory, links resolved
  DriveBus bus = DriveBus::kScsi;
  int host = 0, channel = 0, target = 0, lun = 0;               // H:C:T:L
  std::optional<std::string> vendor, model, revision;           // INQUIRY, as sysfs pads them
  std::optional<std::string> ataModel, ataRevision, ataSerial;  // IDENTIFY, blanks trimmed
  std::optional<std::string> usbSerial;
  std::optional<std::string> deviceNumbers;  // "11:0"
};

// The optical drives' block names in number order: sr2 before sr10.
std::vector<std::string> OpticalDriveNames(Machine& machine);
std::optional<OpticalDrive> ReadOpticalDrive(Machine& machine, const std::string& name);

// The device identifier by bus, with the provider's instance part (the
// Windows one hashes the parent's path and cannot be rebuilt):
//   IDE      H&C.T.L      (Windows: depth&hash&n&C.T.L)
//   SCSI     H&BBTTLL     (Windows: depth&hash&n&BBTTLL)
//   USBSTOR  serial&L     (as Windows; H&L when the device has no serial)
std::string CdromDeviceId(const OpticalDrive& drive);

// Where the medium is mounted, from /proc/self/mountinfo; nothing when it
// is not mounted.
std::optional<std::string> MountPoint(Machine& machine, const OpticalDrive& drive);

// A capability line of /proc/sys/dev/cdrom/info for this drive.
std::optional<bool> CdromCapability(Machine& machine, const std::string& drive,
                                    const std::string& label);

// Parses ATA IDENTIFY words as /sys/class/ata_device/devX.Y/id prints them
// (hex words; each word holds two characters, the first in its high byte)
// and returns the string at [firstWord, firstWord + words), blanks trimmed.
std::optional<std::string> AtaIdentifyString(const std::string& idText, int firstWord, int words);

}  // namespace hwident
