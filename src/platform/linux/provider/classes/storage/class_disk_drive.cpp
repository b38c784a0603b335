// Win32_DiskDrive: one object per whole disk.
#include "platform/linux/provider/classes/provider_classes.h"

#include "platform/linux/provider/sources/storage/block_disk.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

template <typename Read>
Fact WithDisk(M& m, I name, Read read) {
  const std::optional<BlockDisk>& disk = ReadDisk(m, name);
  if (!disk) return Fact::Null();
  return read(*disk);
}

Fact DeviceId(M& m, I name) {
  const auto index = DiskIndex(m, name);
  if (!index) return Fact::Null();
  return Fact::Text("\\\\.\\PHYSICALDRIVE" + std::to_string(*index));
}

Fact Index(M& m, I name) {
  const auto index = DiskIndex(m, name);
  if (!index) return Fact::Null();
  return Fact::Number(static_cast<std::int64_t>(*index));
}

Fact Model(M& m, I name) {
  return WithDisk(m, name, [](const BlockDisk& d) { return FactFrom(d.model); });
}

Fact InterfaceType(M& m, I name) {
  return WithDisk(m, name, [](const BlockDisk& d) {
    // SATA disks are "IDE" to Windows; NVMe, SAS, RAID and virtual disks
    // all sit behind SCSI miniports.
    if (d.bus == DiskBus::kAta) return Constant("IDE");
    if (d.bus == DiskBus::kUsb) return Constant("USB");
    return Constant("SCSI");
  });
}

Fact MediaType(M& m, I name) {
  return WithDisk(m, name, [](const BlockDisk& d) {
    if (d.removable) return Constant("Removable Media");
    if (d.bus == DiskBus::kUsb) return Constant("External hard disk media");
    return Constant("Fixed hard disk media");
  });
}

Fact MediaLoaded(M& m, I name) {
  return WithDisk(m, name, [](const BlockDisk& d) {
    return Fact::Flag(!d.removable || d.bytes.value_or(0) > 0);
  });
}

Fact Capabilities(M& m, I name) {
  return WithDisk(m, name, [](const BlockDisk& d) {
    if (d.removable) return Fact::List({"3", "4", "7"});
    return Fact::List({"3", "4"});
  });
}

Fact CapabilityDescriptions(M& m, I name) {
  return WithDisk(m, name, [](const BlockDisk& d) {
    std::vector<std::string> texts = {"Random Access", "Supports Writing"};
    if (d.removable) texts.push_back("Supports Removable Media");
    return Fact::List(texts);
  });
}

// The geometry figures: Windows' made-up 255 heads and 63 sectors per track
// and as many whole cylinders as fit.
enum class Figure { kSize, kCylinders, kTracks, kSectors };
template <Figure Which>
Fact Geometry(M& m, I name) {
  return WithDisk(m, name, [](const BlockDisk& d) {
    if (!d.bytes || !d.sectorSize) return Fact::Null();
    const std::uint64_t cylinders = Cylinders(*d.bytes, *d.sectorSize);
    std::uint64_t value = cylinders;
    if (Which == Figure::kTracks) value = cylinders * kTracksPerCylinder;
    if (Which == Figure::kSectors) value = cylinders * kTracksPerCylinder * kSectorsPerTrack;
    if (Which == Figure::kSize) {
      value = cylinders * kTracksPerCylinder * kSectorsPerTrack * *d.sectorSize;
    }
    return Fact::Text(std::to_string(value));
  });
}

Fact BytesPerSector(M& m, I name) {
  return WithDisk(m, name, [](const BlockDisk& d) {
    return d.sectorSize ? Fact::Number(*d.sectorSize) : Fact::Null();
  });
}

Fact Partitions(M& m, I name) {
  return WithDisk(m, name, [](const BlockDisk& d) {
    return Fact::Number(static_cast<std::int64_t>(d.partitions.size()));
  });
}

Fact PnpDeviceId(M& m, I name) {
  return WithDisk(m, name, [](const BlockDisk& d) { return Fact::Text(d.pnpDeviceId); });
}

Fact SerialNumber(M& m, I name) {
  return WithDisk(m, name, [](const BlockDisk& d) { return FactFrom(d.serial); });
}

Fact FirmwareRevision(M& m, I name) {
  return WithDisk(m, name, [](const BlockDisk& d) { return FactFrom(d.firmware); });
}

// Windows gives the SCSI address of every disk; Linux has one for disks on
// SCSI hosts (SATA, SAS, USB, virtio-scsi) only.
template <std::optional<int> BlockDisk::*Field>
Fact Address(M& m, I name) {
  return WithDisk(m, name, [](const BlockDisk& d) {
    return d.*Field ? Fact::Number(*(d.*Field)) : Fact::Null();
  });
}

Fact Fixed(M& m, I name, std::string_view text) {
  return WithDisk(m, name, [text](const BlockDisk&) { return Constant(text); });
}

constexpr PropertySchema kProperties[] = {
    {"BytesPerSector", CimType::kUint32, BytesPerSector},
    {"Capabilities", CimType::kUint16Array, Capabilities},
    {"CapabilityDescriptions", CimType::kStringArray, CapabilityDescriptions},
    {"Caption", CimType::kString, Model},
    {"Description", CimType::kString, [](M& m, I n) { return Fixed(m, n, "Disk drive"); }},
    {"DeviceID", CimType::kString, DeviceId},
    {"FirmwareRevision", CimType::kString, FirmwareRevision},
    {"Index", CimType::kUint32, Index},
    {"InterfaceType", CimType::kString, InterfaceType},
    {"Manufacturer", CimType::kString,
     [](M& m, I n) { return Fixed(m, n, "(Standard disk drives)"); }},
    {"MediaLoaded", CimType::kBoolean, MediaLoaded},
    {"MediaType", CimType::kString, MediaType},
    {"Model", CimType::kString, Model},
    {"Name", CimType::kString, DeviceId},
    {"Partitions", CimType::kUint32, Partitions},
    {"PNPDeviceID", CimType::kString, PnpDeviceId},
    {"SCSIBus", CimType::kUint32, Address<&BlockDisk::channel>},
    {"SCSILogicalUnit", CimType::kUint16, Address<&BlockDisk::lun>},
    {"SCSIPort", CimType::kUint16, Address<&BlockDisk::host>},
    {"SCSITargetId", CimType::kUint16, Address<&BlockDisk::target>},
    {"SectorsPerTrack", CimType::kUint32,
     [](M& m, I n) { return Fixed(m, n, std::to_string(kSectorsPerTrack)); }},
    {"SerialNumber", CimType::kString, SerialNumber},
    {"Size", CimType::kUint64, Geometry<Figure::kSize>},
    {"Status", CimType::kString, [](M& m, I n) { return Fixed(m, n, "OK"); }},
    {"TotalCylinders", CimType::kUint64, Geometry<Figure::kCylinders>},
    {"TotalHeads", CimType::kUint32,
     [](M& m, I n) { return Fixed(m, n, std::to_string(kTracksPerCylinder)); }},
    {"TotalSectors", CimType::kUint64, Geometry<Figure::kSectors>},
    {"TotalTracks", CimType::kUint64, Geometry<Figure::kTracks>},
    {"TracksPerCylinder", CimType::kUint32,
     [](M& m, I n) { return Fixed(m, n, std::to_string(kTracksPerCylinder)); }},
};

std::vector<std::string> Disks(M& m) {
  return DiskNames(m);
}

}  // namespace

const ClassSchema& DiskDriveClass() {
  static const ClassSchema schema{"Win32_DiskDrive", Disks, kProperties};
  return schema;
}

}  // namespace hwident
