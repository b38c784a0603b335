#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/sources/storage/mount_table.h"

namespace hwident {

// One file system on a block device, mounted or not: one udev found
// (ID_FS_USAGE "filesystem"), or one mounted that udev has no record of.
struct FileSystemVolume {
  std::string deviceNumbers;      // "259:1"
  std::optional<Volume> mounted;  // its first mount of the whole tree
};

// Every such volume, ordered by device number: network shares are none,
// nor are swap, RAID and LVM members, encrypted containers and read-only
// images (squashfs, erofs).
const std::vector<FileSystemVolume>& FileSystemVolumes(Machine& machine);
const FileSystemVolume* FindFileSystemVolume(Machine& machine, const std::string& numbers);

// A udev property of the volume's block device.
std::optional<std::string> VolumeUdev(Machine& machine, const FileSystemVolume& volume,
                                      const std::string& key);

// Windows' volume path, \\?\Volume{uuid}\, for a file system whose id is a
// 128-bit UUID (ext4, xfs, btrfs); nothing for the 32- and 64-bit serials
// of FAT and NTFS, or an id of another shape.
std::optional<std::string> VolumeGuidPath(const std::string& uuid);

}  // namespace hwident
