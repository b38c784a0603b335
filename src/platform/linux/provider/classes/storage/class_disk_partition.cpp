// Win32_DiskPartition: one object per partition Windows would list, disk by
// disk in Win32_DiskDrive's order.
#include "platform/linux/provider/classes/provider_classes.h"

#include "platform/linux/provider/sources/storage/block_disk.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

// The instance key is "DISK/PARTITION" ("sda/sda1").
struct Place {
  std::size_t disk = 0;       // the disk's index
  std::size_t partition = 0;  // the partition's index on it
  const BlockDisk* owner = nullptr;
  const BlockPartition* entry = nullptr;
};

std::optional<Place> Find(M& m, I key) {
  const std::size_t slash = key.find('/');
  if (slash == std::string::npos) return std::nullopt;
  const std::string diskName = key.substr(0, slash);
  const std::string partitionName = key.substr(slash + 1);
  const auto index = DiskIndex(m, diskName);
  const std::optional<BlockDisk>& disk = ReadDisk(m, diskName);
  if (!index || !disk) return std::nullopt;
  for (std::size_t i = 0; i < disk->partitions.size(); ++i) {
    if (disk->partitions[i].name == partitionName) {
      return Place{*index, i, &*disk, &disk->partitions[i]};
    }
  }
  return std::nullopt;
}

template <typename Read>
Fact WithPlace(M& m, I key, Read read) {
  const std::optional<Place> place = Find(m, key);
  if (!place) return Fact::Null();
  return read(*place);
}

Fact Name(M& m, I key) {
  return WithPlace(m, key, [](const Place& p) {
    return Fact::Text("Disk #" + std::to_string(p.disk) + ", Partition #" +
                      std::to_string(p.partition));
  });
}

Fact DiskIndexOf(M& m, I key) {
  return WithPlace(m, key,
                   [](const Place& p) { return Fact::Number(static_cast<std::int64_t>(p.disk)); });
}

Fact IndexOf(M& m, I key) {
  return WithPlace(
      m, key, [](const Place& p) { return Fact::Number(static_cast<std::int64_t>(p.partition)); });
}

// sysfs counts partitions in 512-byte units whatever the disk's sector.
Fact Size(M& m, I key) {
  return WithPlace(m, key, [](const Place& p) {
    return Fact::Text(std::to_string(p.entry->sizeSectors * 512));
  });
}

Fact StartingOffset(M& m, I key) {
  return WithPlace(m, key, [](const Place& p) {
    return Fact::Text(std::to_string(p.entry->startSectors * 512));
  });
}

Fact BlockSize(M& m, I key) {
  return WithPlace(m, key, [](const Place& p) {
    return p.owner->sectorSize ? Fact::Text(std::to_string(*p.owner->sectorSize)) : Fact::Null();
  });
}

Fact NumberOfBlocks(M& m, I key) {
  return WithPlace(m, key, [](const Place& p) {
    if (!p.owner->sectorSize) return Fact::Null();
    return Fact::Text(std::to_string(p.entry->sizeSectors * 512 / *p.owner->sectorSize));
  });
}

Fact Type(M& m, I key) {
  return WithPlace(m, key, [](const Place& p) { return FactFrom(PartitionTypeText(*p.entry)); });
}

Fact Bootable(M& m, I key) {
  return WithPlace(m, key, [](const Place& p) {
    const auto bootable = PartitionBootable(*p.entry);
    return bootable ? Fact::Flag(*bootable) : Fact::Null();
  });
}

// GPT has primary partitions only; MBR's logical ones are numbered from 5.
Fact PrimaryPartition(M& m, I key) {
  return WithPlace(m, key, [](const Place& p) {
    if (!p.entry->scheme) return Fact::Null();
    if (*p.entry->scheme == "gpt") return Fact::Flag(true);
    if (*p.entry->scheme == "dos") return Fact::Flag(p.entry->number <= 4);
    return Fact::Null();
  });
}

constexpr PropertySchema kProperties[] = {
    {"BlockSize", CimType::kUint64, BlockSize},
    {"Bootable", CimType::kBoolean, Bootable},
    {"BootPartition", CimType::kBoolean, Bootable},
    {"Caption", CimType::kString, Name},
    {"Description", CimType::kString, Type},
    {"DeviceID", CimType::kString, Name},
    {"DiskIndex", CimType::kUint32, DiskIndexOf},
    {"Index", CimType::kUint32, IndexOf},
    {"Name", CimType::kString, Name},
    {"NumberOfBlocks", CimType::kUint64, NumberOfBlocks},
    {"PrimaryPartition", CimType::kBoolean, PrimaryPartition},
    {"Size", CimType::kUint64, Size},
    {"StartingOffset", CimType::kUint64, StartingOffset},
    {"Type", CimType::kString, Type},
};

std::vector<std::string> Partitions(M& m) {
  std::vector<std::string> keys;
  for (const std::string& name : DiskNames(m)) {
    const std::optional<BlockDisk>& disk = ReadDisk(m, name);
    if (!disk) continue;
    for (const BlockPartition& partition : disk->partitions) {
      keys.push_back(name + "/" + partition.name);
    }
  }
  return keys;
}

}  // namespace

const ClassSchema& DiskPartitionClass() {
  static const ClassSchema schema{"Win32_DiskPartition", Partitions, kProperties};
  return schema;
}

}  // namespace hwident
