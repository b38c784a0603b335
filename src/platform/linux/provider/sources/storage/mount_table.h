#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/provider/machine/machine.h"

namespace hwident {

// One line of /proc/self/mountinfo, escapes decoded.
struct MountEntry {
  std::string deviceNumbers;  // "8:2"; shared by every mount of one file system
  std::string root;           // the directory of the file system mounted ("/" unless a bind)
  std::string mountPoint;
  std::string fsType;  // "ext4", "fuse.sshfs"
  std::string source;  // "/dev/sda2", "//nas/share", "server:/export"
};
// A field as /proc/self/mountinfo writes it, its \ooo escapes decoded.
std::string DecodeMountEscapes(const std::string& text);

// Lines that do not have mountinfo's shape are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

enum class VolumeKind { kRemovable, kLocal, kNetwork, kOptical };

// A mounted file system Windows would give a drive letter: one on a disk,
// removable medium or optical disc, or a network share. Each file system
// comes once, at its first mount of its whole tree (a bind mount or a
// second mount of it is the same volume); pseudo file systems, RAM file
// systems and read-only images (squashfs) are left out.
struct Volume {
  MountEntry mount;
  VolumeKind kind = VolumeKind::kLocal;
};
const std::vector<Volume>& Volumes(Machine& machine);

// Whether the disk behind a block device number ("8:1") is removable (a
// memory card, a USB stick): its own or, for a partition, its disk's
// `removable` is 1.
bool OnRemovableDisk(Machine& machine, const std::string& numbers);

}  // namespace hwident
