#include "platform/linux/provider/sources/storage/file_system_volumes.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <utility>

#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/sources/system/udev_database.h"
#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

// What udev's blkid calls a file system when it leaves ID_FS_USAGE out
// (old udev, a hand-made record): any type but these containers and swap.
const std::set<std::string> kNotFileSystems = {
    "swap",       "linux_raid_member", "LVM2_member",     "crypto_LUKS", "bcache",
    "zfs_member", "ddf_raid_member",   "isw_raid_member", "BitLocker",   "VMFS_volume_member"};
const std::set<std::string> kImageTypes = {"squashfs", "erofs"};
// More block devices than a machine has; the rest are not read.
constexpr std::size_t kMaxBlockDevices = 16384;

std::optional<std::pair<std::int64_t, std::int64_t>> Numbers(const std::string& text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const auto major = ParseDecimalIn(std::string_view(text).substr(0, colon), 0, 4095);
  const auto minor = ParseDecimalIn(std::string_view(text).substr(colon + 1), 0, 1048575);
  if (!major || !minor) return std::nullopt;
  return std::make_pair(*major, *minor);
}

bool UdevFileSystem(Machine& machine, const std::string& numbers) {
  const auto type = UdevProperty(machine, "b" + numbers, "ID_FS_TYPE");
  if (!type || type->empty() || kImageTypes.count(*type) != 0) return false;
  const auto usage = UdevProperty(machine, "b" + numbers, "ID_FS_USAGE");
  if (usage) return *usage == "filesystem";
  return kNotFileSystems.count(*type) == 0;
}

// The block device a mount's source names. A btrfs subvolume, and any
// mount of a file system the kernel gives an anonymous device number
// (0:N), still lives on one block device: its subvolumes are one volume.
std::string BlockDeviceNumbers(Machine& machine, const MountEntry& mount) {
  if (mount.deviceNumbers.rfind("0:", 0) != 0 || mount.source.rfind("/dev/", 0) != 0) {
    return mount.deviceNumbers;
  }
  const std::string leaf = mount.source.substr(mount.source.rfind('/') + 1);
  if (leaf.empty() || leaf == "." || leaf == "..") return mount.deviceNumbers;
  std::optional<std::string> numbers;
  if (mount.source.rfind("/dev/mapper/", 0) == 0) {
    // Device-mapper names are kept by the dm-N device itself.
    for (const std::string& name : machine.List("/sys/block/")) {
      if (name.rfind("dm-", 0) == 0 &&
          Trim(machine.Text("/sys/block/" + name + "/dm/name").value_or("")) == leaf) {
        numbers = machine.Text("/sys/block/" + name + "/dev");
        break;
      }
    }
  } else {
    numbers = machine.Text("/sys/class/block/" + leaf + "/dev");
  }
  const std::string trimmed = Trim(numbers.value_or(""));
  return Numbers(trimmed) ? trimmed : mount.deviceNumbers;
}

}  // namespace

const std::vector<FileSystemVolume>& FileSystemVolumes(Machine& machine) {
  return machine.Derived<std::vector<FileSystemVolume>>("file system volumes", [&machine] {
    std::map<std::pair<std::int64_t, std::int64_t>, FileSystemVolume> found;
    for (const Volume& volume : Volumes(machine)) {
      if (volume.kind == VolumeKind::kNetwork) continue;
      const std::string block = BlockDeviceNumbers(machine, volume.mount);
      const auto numbers = Numbers(block);
      // The first mount of a file system names it, as for logical disks.
      if (numbers && found.count(*numbers) == 0) found[*numbers] = {block, volume};
    }
    std::size_t listed = 0;
    for (const std::string& name : machine.List("/sys/dev/block/")) {
      if (++listed > kMaxBlockDevices) break;
      const auto numbers = Numbers(name);
      if (!numbers || found.count(*numbers) != 0) continue;
      if (UdevFileSystem(machine, name)) found[*numbers] = {name, std::nullopt};
    }
    std::vector<FileSystemVolume> volumes;
    for (auto& entry : found) volumes.push_back(std::move(entry.second));
    return volumes;
  });
}

const FileSystemVolume* FindFileSystemVolume(Machine& machine, const std::string& numbers) {
  // Every property of every volume looks its volume up, so the lookup is
  // by an index made once rather than a walk of the list.
  using Index = std::map<std::string, const FileSystemVolume*, std::less<>>;
  const Index& index = machine.Derived<Index>("file system volume index", [&machine] {
    Index made;
    for (const FileSystemVolume& volume : FileSystemVolumes(machine)) {
      made.emplace(volume.deviceNumbers, &volume);
    }
    return made;
  });
  const auto found = index.find(numbers);
  return found == index.end() ? nullptr : found->second;
}

std::optional<std::string> VolumeUdev(Machine& machine, const FileSystemVolume& volume,
                                      const std::string& key) {
  // A mount of no device (ZFS names its pool) has no udev record.
  if (volume.mounted && volume.mounted->mount.source.rfind("/dev/", 0) != 0) return std::nullopt;
  return UdevProperty(machine, "b" + volume.deviceNumbers, key);
}

std::optional<std::string> VolumeGuidPath(const std::string& uuid) {
  if (uuid.size() != 36) return std::nullopt;
  std::string lower;
  for (std::size_t i = 0; i < uuid.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    const unsigned char c = static_cast<unsigned char>(uuid[i]);
    if (dash ? c != '-' : std::isxdigit(c) == 0) return std::nullopt;
    lower += static_cast<char>(std::tolower(c));
  }
  return "\\\\?\\Volume{" + lower + "}\\";
}

}  // namespace hwident
