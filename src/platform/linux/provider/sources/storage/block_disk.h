#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/machine.h"

namespace hwident {

enum class DiskBus { kAta, kNvme, kScsi, kUsb, kVirtio };

// One partition as sysfs and udev describe it.
struct BlockPartition {
  std::string name;                                 // "nvme0n1p2"
  int number = 0;                                   // the kernel's partition number
  std::uint64_t startSectors = 0, sizeSectors = 0;  // 512-byte units, always
  // udev's view of the partition table entry: "gpt" or "dos", the type
  // (a GUID, or "0x7" for MBR) and the flags ("0x80" = active).
  std::optional<std::string> scheme, type, flags;
};

// One whole disk (/sys/block/NAME with a device behind it).
struct BlockDisk {
  std::string name;  // "sda"
  DiskBus bus = DiskBus::kScsi;
  std::optional<std::string> model;  // as Windows names the drive
  std::string pnpDeviceId;           // as Windows builds it
  std::optional<std::string> serial, firmware;
  std::optional<std::uint64_t> bytes;  // the whole disk
  std::optional<std::uint32_t> sectorSize;
  bool removable = false;
  std::optional<int> host, channel, target, lun;  // SCSI address, where there is one
  std::vector<BlockPartition> partitions;         // those Windows lists, in number order
};

// Whole disks in the order Windows numbers them here: by kind of name
// (mmcblk, nvme, sd, vd), then in the kernel's index order (sdz before
// sdaa, nvme0n2 before nvme0n10); optical
// drives, loop, RAM, zram, device-mapper and MD devices are not disks.
const std::vector<std::string>& DiskNames(Machine& machine);
// Read once per query.
const std::optional<BlockDisk>& ReadDisk(Machine& machine, const std::string& name);
// The disk's place in DiskNames; nothing when it is not there.
std::optional<std::size_t> DiskIndex(Machine& machine, const std::string& name);

// Windows reports a disk's size through a made-up geometry of 255 heads and
// 63 sectors per track, so its size is the capacity rounded down to whole
// cylinders of 255 × 63 sectors.
constexpr std::uint64_t kTracksPerCylinder = 255;
constexpr std::uint64_t kSectorsPerTrack = 63;
std::uint64_t Cylinders(std::uint64_t bytes, std::uint32_t sectorSize);

// The partition type as Win32_DiskPartition words it ("GPT: System",
// "Installable File System"); nothing when udev did not record it.
std::optional<std::string> PartitionTypeText(const BlockPartition& partition);
// GPT: the EFI system partition; MBR: the active flag.
std::optional<bool> PartitionBootable(const BlockPartition& partition);

// The friendly form of an NVMe namespace's NGUID or EUI-64 that Windows
// shows as the serial: four hex digits per group, joined by underscores,
// with a closing full stop ("0025_3852_81B2_4A4B."). Nothing for an id that
// is missing or all zeros.
std::optional<std::string> NvmeIdSerial(const std::string& id);

// The serial in a SCSI unit serial number page (VPD page 0x80), as sysfs
// gives it (vpd_pg80): a four-byte header, then the serial's bytes.
std::optional<std::string> VpdPage80Serial(const std::string& page);

}  // namespace hwident
