// Win32_LogicalDisk: one object per mounted volume. Linux has no drive
// letters, so a volume is named by its mount point.
#include "platform/linux/provider/classes/provider_classes.h"

#include <algorithm>

#include "platform/linux/provider/sources/storage/file_system_names.h"
#include "platform/linux/provider/sources/storage/mount_table.h"
#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/sources/system/udev_database.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

const Volume* Find(M& m, I point) {
  for (const Volume& volume : Volumes(m)) {
    if (volume.mount.mountPoint == point) return &volume;
  }
  return nullptr;
}

template <typename Read>
Fact WithVolume(M& m, I point, Read read) {
  const Volume* volume = Find(m, point);
  if (volume == nullptr) return Fact::Null();
  return read(*volume);
}

std::optional<std::string> Udev(M& m, const Volume& v, const std::string& key) {
  if (v.mount.source.rfind("/dev/", 0) != 0) return std::nullopt;
  return UdevProperty(m, "b" + v.mount.deviceNumbers, key);
}

Fact DeviceId(M& m, I point) {
  return WithVolume(m, point, [](const Volume& v) { return Fact::Text(v.mount.mountPoint); });
}

Fact DriveType(M& m, I point) {
  return WithVolume(m, point, [](const Volume& v) {
    switch (v.kind) {
      case VolumeKind::kRemovable:
        return Fact::Number(2);
      case VolumeKind::kLocal:
        return Fact::Number(3);
      case VolumeKind::kNetwork:
        return Fact::Number(4);
      case VolumeKind::kOptical:
        break;
    }
    return Fact::Number(5);
  });
}

Fact Description(M& m, I point) {
  return WithVolume(m, point, [](const Volume& v) {
    switch (v.kind) {
      case VolumeKind::kRemovable:
        return Constant("Removable Disk");
      case VolumeKind::kLocal:
        return Constant("Local Fixed Disk");
      case VolumeKind::kNetwork:
        return Constant("Network Connection");
      case VolumeKind::kOptical:
        break;
    }
    return Constant("CD-ROM Disc");
  });
}

// 12 fixed hard disk, 11 removable medium; Windows gives none for shares
// and discs.
Fact MediaType(M& m, I point) {
  return WithVolume(m, point, [](const Volume& v) {
    if (v.kind == VolumeKind::kLocal) return Fact::Number(12);
    if (v.kind == VolumeKind::kRemovable) return Fact::Number(11);
    return Fact::Null();
  });
}

// Windows' names for the file systems both know; Linux's own name for the
// others.
Fact FileSystem(M& m, I point) {
  return WithVolume(m, point, [&m](const Volume& v) {
    const std::string type = v.mount.fsType == "fuseblk"
                                 ? Udev(m, v, "ID_FS_TYPE").value_or(v.mount.fsType)
                                 : v.mount.fsType;
    const std::string version = type == "vfat" ? Udev(m, v, "ID_FS_VERSION").value_or("") : "";
    return Fact::Text(WindowsFileSystemName(type, version));
  });
}

// statvfs: the size, and the space an ordinary user may still fill. A share
// is not asked: a stat of a server that went away hangs, and the report
// must not.
template <bool Free>
Fact Space(M& m, I point) {
  return WithVolume(m, point, [&m](const Volume& v) {
    if (v.kind == VolumeKind::kNetwork) return Fact::Null();
    const std::optional<FileSystemSpace>& space = m.Space(v.mount.mountPoint);
    if (!space) return Fact::Null();
    return Fact::Text(std::to_string(Free ? space->available : space->size));
  });
}

Fact VolumeName(M& m, I point) {
  return WithVolume(m, point, [&m](const Volume& v) {
    if (v.kind == VolumeKind::kNetwork) return Fact::Null();
    const auto label = Udev(m, v, "ID_FS_LABEL");
    if (label) return Fact::Text(*label);
    // A volume udev knows without a label has an empty name, as on Windows.
    return Udev(m, v, "ID_FS_TYPE") ? Constant("") : Fact::Null();
  });
}

// The 32-bit serial FAT and NTFS keep, as Windows prints it; other file
// systems have a 128-bit UUID and no such number.
Fact VolumeSerialNumber(M& m, I point) {
  return WithVolume(m, point, [&m](const Volume& v) {
    return FactFrom(VolumeSerialHex(Udev(m, v, "ID_FS_TYPE").value_or(""),
                                    Udev(m, v, "ID_FS_UUID").value_or("")));
  });
}

// A share as Windows names it: SMB shares in UNC form.
Fact ProviderName(M& m, I point) {
  return WithVolume(m, point, [](const Volume& v) {
    if (v.kind != VolumeKind::kNetwork) return Fact::Null();
    std::string name = v.mount.source;
    if (name.rfind("//", 0) == 0) std::replace(name.begin(), name.end(), '/', '\\');
    return Fact::Text(name);
  });
}

constexpr PropertySchema kProperties[] = {
    {"Caption", CimType::kString, DeviceId},
    {"Description", CimType::kString, Description},
    {"DeviceID", CimType::kString, DeviceId},
    {"DriveType", CimType::kUint32, DriveType},
    {"FileSystem", CimType::kString, FileSystem},
    {"FreeSpace", CimType::kUint64, Space<true>},
    {"MediaType", CimType::kUint32, MediaType},
    {"Name", CimType::kString, DeviceId},
    {"ProviderName", CimType::kString, ProviderName},
    {"Size", CimType::kUint64, Space<false>},
    {"VolumeName", CimType::kString, VolumeName},
    {"VolumeSerialNumber", CimType::kString, VolumeSerialNumber},
};

std::vector<std::string> MountPoints(M& m) {
  std::vector<std::string> points;
  for (const Volume& volume : Volumes(m)) points.push_back(volume.mount.mountPoint);
  return points;
}

}  // namespace

const ClassSchema& LogicalDiskClass() {
  static const ClassSchema schema{"Win32_LogicalDisk", MountPoints, kProperties};
  return schema;
}

}  // namespace hwident
