// Win32_Volume: one object per file system on a block device, mounted or
// not.
#include "platform/linux/provider/classes/provider_classes.h"

#include <cctype>

#include "platform/linux/provider/sources/storage/file_system_names.h"
#include "platform/linux/provider/sources/storage/file_system_volumes.h"
#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;
using V = const FileSystemVolume&;

// The EFI system partition's type, on GPT and on an MBR disk.
constexpr const char* kEspGuid = "c12a7328-f81f-11d2-ba4b-00a0c93ec93b";

template <typename Read>
Fact WithVolume(M& m, I numbers, Read read) {
  const FileSystemVolume* volume = FindFileSystemVolume(m, numbers);
  return volume == nullptr ? Fact::Null() : read(*volume);
}

std::string LinuxType(M& m, V v) {
  const auto type = VolumeUdev(m, v, "ID_FS_TYPE");
  if (type) return *type;
  return v.mounted ? v.mounted->mount.fsType : "";
}

std::optional<std::string> DevicePath(M& m, V v) {
  return VolumeGuidPath(VolumeUdev(m, v, "ID_FS_UUID").value_or(""));
}

Fact DeviceId(M& m, I numbers) {
  return WithVolume(m, numbers, [&m](V v) { return FactFrom(DevicePath(m, v)); });
}

// Where it is mounted; a volume without a mount point goes by its volume
// path, as on Windows.
Fact Name(M& m, I numbers) {
  return WithVolume(m, numbers, [&m](V v) {
    if (v.mounted) return Fact::Text(v.mounted->mount.mountPoint);
    return FactFrom(DevicePath(m, v));
  });
}

Fact DriveType(M& m, I numbers) {
  return WithVolume(m, numbers, [&m](V v) {
    const std::string type = LinuxType(m, v);
    if (type == "iso9660" || type == "udf") return Fact::Number(5);
    if (v.mounted) return Fact::Number(v.mounted->kind == VolumeKind::kRemovable ? 2 : 3);
    return Fact::Number(OnRemovableDisk(m, v.deviceNumbers) ? 2 : 3);
  });
}

Fact FileSystem(M& m, I numbers) {
  return WithVolume(m, numbers, [&m](V v) {
    const std::string type = LinuxType(m, v);
    if (type.empty()) return Fact::Null();
    const std::string version =
        type == "vfat" ? VolumeUdev(m, v, "ID_FS_VERSION").value_or("") : "";
    return Fact::Text(WindowsFileSystemName(type, version));
  });
}

Fact Label(M& m, I numbers) {
  return WithVolume(m, numbers, [&m](V v) {
    const auto label = VolumeUdev(m, v, "ID_FS_LABEL");
    if (label) return Fact::Text(*label);
    // A file system udev knows without a label has an empty one.
    return VolumeUdev(m, v, "ID_FS_TYPE") ? Constant("") : Fact::Null();
  });
}

// The 32-bit serial Win32_LogicalDisk prints in hex, as a number.
Fact SerialNumber(M& m, I numbers) {
  return WithVolume(m, numbers, [&m](V v) {
    const auto hex = VolumeSerialHex(VolumeUdev(m, v, "ID_FS_TYPE").value_or(""),
                                     VolumeUdev(m, v, "ID_FS_UUID").value_or(""));
    const auto serial = hex ? ParseHexIn(*hex, 0xFFFFFFFF) : std::nullopt;
    return serial ? Fact::Text(std::to_string(*serial)) : Fact::Null();
  });
}

// Only a mounted file system can be asked its sizes.
template <std::uint64_t FileSystemSpace::*Field>
Fact Space(M& m, I numbers) {
  return WithVolume(m, numbers, [&m](V v) {
    if (!v.mounted) return Fact::Null();
    const std::optional<FileSystemSpace>& space = m.Space(v.mounted->mount.mountPoint);
    if (!space) return Fact::Null();
    const std::uint64_t value = (*space).*Field;
    // Block size and name length are 0 where the system could not say.
    const bool known =
        value != 0 || Field == &FileSystemSpace::size || Field == &FileSystemSpace::available;
    return known ? Fact::Text(std::to_string(value)) : Fact::Null();
  });
}

// Windows' boot volume holds the running system: the root file system.
Fact BootVolume(M& m, I numbers) {
  return WithVolume(
      m, numbers, [](V v) { return Fact::Flag(v.mounted && v.mounted->mount.mountPoint == "/"); });
}

// Windows' system volume holds what the firmware starts: on UEFI machines
// the EFI system partition.
Fact SystemVolume(M& m, I numbers) {
  return WithVolume(m, numbers, [&m](V v) {
    std::string type = VolumeUdev(m, v, "ID_PART_ENTRY_TYPE").value_or("");
    for (char& c : type) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return Fact::Flag(type == kEspGuid || type == "0xef");
  });
}

Fact None(M&, I) {
  return Fact::Null();
}

constexpr PropertySchema kProperties[] = {
    {"Access", CimType::kUint16, None},
    {"Automount", CimType::kBoolean, None},
    {"Availability", CimType::kUint16, None},
    {"BlockSize", CimType::kUint64, Space<&FileSystemSpace::blockSize>},
    {"BootVolume", CimType::kBoolean, BootVolume},
    {"Capacity", CimType::kUint64, Space<&FileSystemSpace::size>},
    {"Caption", CimType::kString, Name},
    {"Compressed", CimType::kBoolean, None},
    {"ConfigManagerErrorCode", CimType::kUint32, None},
    {"ConfigManagerUserConfig", CimType::kBoolean, None},
    {"CreationClassName", CimType::kString, None},
    {"Description", CimType::kString, None},
    {"DeviceID", CimType::kString, DeviceId},
    {"DirtyBitSet", CimType::kBoolean, None},
    // Linux gives no drive letters; Win32_LogicalDisk names volumes by
    // their mount points instead.
    {"DriveLetter", CimType::kString, None},
    {"DriveType", CimType::kUint32, DriveType},
    {"ErrorCleared", CimType::kBoolean, None},
    {"ErrorDescription", CimType::kString, None},
    {"ErrorMethodology", CimType::kString, None},
    {"FileSystem", CimType::kString, FileSystem},
    {"FreeSpace", CimType::kUint64, Space<&FileSystemSpace::available>},
    {"IndexingEnabled", CimType::kBoolean, None},
    {"InstallDate", CimType::kDatetime, None},
    {"Label", CimType::kString, Label},
    {"LastErrorCode", CimType::kUint32, None},
    {"MaximumFileNameLength", CimType::kUint32, Space<&FileSystemSpace::nameMax>},
    {"Name", CimType::kString, Name},
    {"NumberOfBlocks", CimType::kUint64, None},
    {"PageFilePresent", CimType::kBoolean, None},
    {"PNPDeviceID", CimType::kString, None},
    {"PowerManagementCapabilities", CimType::kUint16Array, None},
    {"PowerManagementSupported", CimType::kBoolean, None},
    {"Purpose", CimType::kString, None},
    {"QuotasEnabled", CimType::kBoolean, None},
    {"QuotasIncomplete", CimType::kBoolean, None},
    {"QuotasRebuilding", CimType::kBoolean, None},
    {"SerialNumber", CimType::kUint32, SerialNumber},
    {"Status", CimType::kString, None},
    {"StatusInfo", CimType::kUint16, None},
    {"SupportsDiskQuotas", CimType::kBoolean, None},
    {"SupportsFileBasedCompression", CimType::kBoolean, None},
    {"SystemCreationClassName", CimType::kString, None},
    {"SystemName", CimType::kString, [](M& m, I) { return FactFrom(NetBiosName(m)); }},
    {"SystemVolume", CimType::kBoolean, SystemVolume},
};

std::vector<std::string> VolumeKeys(M& m) {
  std::vector<std::string> keys;
  for (const FileSystemVolume& volume : FileSystemVolumes(m)) keys.push_back(volume.deviceNumbers);
  return keys;
}

}  // namespace

const ClassSchema& VolumeClass() {
  static const ClassSchema schema{"Win32_Volume", VolumeKeys, kProperties};
  return schema;
}

}  // namespace hwident
