#include "platform/linux/provider/sources/storage/mount_table.h"

#include <algorithm>
#include <set>
#include <sstream>

#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/sources/system/sysfs_path.h"

namespace hwident {
namespace {

const std::set<std::string> kNetworkTypes = {"nfs",   "nfs4",       "cifs",      "smb3",
                                             "smbfs", "ncpfs",      "afs",       "ceph",
                                             "9p",    "fuse.sshfs", "glusterfs", "fuse.davfs"};
const std::set<std::string> kOpticalTypes = {"iso9660", "udf"};
// Mounted from a device but not a volume a user keeps files on.
const std::set<std::string> kImageTypes = {"squashfs", "erofs"};

}  // namespace

bool OnRemovableDisk(Machine& machine, const std::string& numbers) {
  const std::string link = "/sys/dev/block/" + numbers;
  const std::optional<std::string> target = machine.ReadLink(link);
  std::optional<std::string> path = target ? JoinLink(link, *target) : machine.Resolve(link);
  if (!path) return false;
  // A whole disk's directory sits in a "block" directory, a partition's in
  // its disk's.
  const std::size_t leaf = path->rfind('/');
  const std::size_t parent = path->rfind('/', leaf == 0 ? 0 : leaf - 1);
  if (leaf != std::string::npos && parent != std::string::npos &&
      path->compare(parent, leaf - parent, "/block") != 0) {
    path = path->substr(0, leaf);
  }
  return Trim(machine.Text(*path + "/removable").value_or("0")) == "1";
}

std::string DecodeMountEscapes(const std::string& text) {
  // mountinfo writes blank, tab, newline and backslash as \ooo octal; a
  // sequence past \377 is no byte and stays as it is.
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '3' &&
        std::all_of(text.begin() + i + 2, text.begin() + i + 4,
                    [](char c) { return c >= '0' && c <= '7'; })) {
      decoded += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 +
                                   (text[i + 3] - '0'));
      i += 3;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> entries;
  std::istringstream lines{std::string(text)};
  std::string line;
  while (std::getline(lines, line)) {
    // ID PARENT MAJ:MIN ROOT POINT OPTIONS [OPTIONAL...] - TYPE SOURCE SUPER
    const std::size_t dash = line.find(" - ");
    if (dash == std::string::npos) continue;
    std::istringstream head(line.substr(0, dash));
    std::string id, parent, numbers, root, point;
    if (!(head >> id >> parent >> numbers >> root >> point)) continue;
    std::istringstream tail(line.substr(dash + 3));
    std::string type, source;
    if (!(tail >> type)) continue;
    tail >> source;
    entries.push_back({numbers, DecodeMountEscapes(root), DecodeMountEscapes(point),
                       DecodeMountEscapes(type), DecodeMountEscapes(source)});
  }
  return entries;
}

const std::vector<Volume>& Volumes(Machine& machine) {
  return machine.Derived<std::vector<Volume>>("volumes", [&machine] {
    std::vector<Volume> volumes;
    const std::optional<std::string>& text = machine.Raw("/proc/self/mountinfo");
    if (!text) return volumes;
    const std::vector<MountEntry> entries = ParseMountInfo(*text);
    std::set<std::string> seen;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const MountEntry& entry = entries[i];
      Volume volume{entry, VolumeKind::kLocal};
      if (kNetworkTypes.count(entry.fsType) != 0) {
        volume.kind = VolumeKind::kNetwork;
      } else if (kOpticalTypes.count(entry.fsType) != 0) {
        volume.kind = VolumeKind::kOptical;
      } else if (entry.source.rfind("/dev/", 0) != 0 || kImageTypes.count(entry.fsType) != 0) {
        // ZFS names its pool, not a device; everything else without a
        // device (proc, tmpfs, overlay, cgroup...) is no volume.
        if (entry.fsType != "zfs") continue;
      } else if (OnRemovableDisk(machine, entry.deviceNumbers)) {
        volume.kind = VolumeKind::kRemovable;
      }
      if (seen.count(entry.deviceNumbers) != 0) continue;
      // A later mount of the file system's whole tree wins over an earlier
      // bind mount of one of its directories.
      if (entry.root != "/") {
        const bool wholeLater =
            std::any_of(entries.begin() + static_cast<std::ptrdiff_t>(i) + 1, entries.end(),
                        [&entry](const MountEntry& other) {
                          return other.deviceNumbers == entry.deviceNumbers && other.root == "/";
                        });
        if (wholeLater) continue;
      }
      seen.insert(entry.deviceNumbers);
      volumes.push_back(volume);
    }
    return volumes;
  });
}

}  // namespace hwident
