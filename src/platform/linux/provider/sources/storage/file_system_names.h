#pragma once

#include <optional>
#include <string>

namespace hwident {

// Windows' name for a file system both know (NTFS, FAT32 or FAT by the FAT
// version udev's ID_FS_VERSION gives, exFAT, CDFS, UDF); Linux's own name
// (ext4, xfs) for the others.
std::string WindowsFileSystemName(const std::string& linuxType, const std::string& fatVersion);

// The 32-bit serial FAT, exFAT and NTFS keep, as eight upper-case hex
// digits the way Windows prints it (NTFS: the low half of its 64-bit
// serial), from udev's ID_FS_TYPE and ID_FS_UUID. Other file systems keep a
// 128-bit UUID instead and have none.
std::optional<std::string> VolumeSerialHex(const std::string& linuxType, std::string uuid);

}  // namespace hwident
