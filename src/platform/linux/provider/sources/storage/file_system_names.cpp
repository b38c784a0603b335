#include "platform/linux/provider/sources/storage/file_system_names.h"

#include <algorithm>

#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {

std::string WindowsFileSystemName(const std::string& linuxType, const std::string& fatVersion) {
  if (linuxType == "vfat") return fatVersion == "FAT32" ? "FAT32" : "FAT";
  if (linuxType == "ntfs" || linuxType == "ntfs3") return "NTFS";
  if (linuxType == "exfat") return "exFAT";
  if (linuxType == "iso9660") return "CDFS";
  if (linuxType == "udf") return "UDF";
  return linuxType;
}

std::optional<std::string> VolumeSerialHex(const std::string& linuxType, std::string uuid) {
  uuid.erase(std::remove(uuid.begin(), uuid.end(), '-'), uuid.end());
  if ((linuxType == "vfat" || linuxType == "exfat") && uuid.size() == 8) return ToUpper(uuid);
  if (linuxType == "ntfs" && uuid.size() == 16) return ToUpper(uuid.substr(8));
  return std::nullopt;
}

}  // namespace hwident
