#include "platform/linux/provider/sources/storage/block_disk.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>

#include "platform/linux/provider/sources/storage/cdrom_identifier.h"
#include "platform/linux/provider/sources/storage/optical_drive.h"
#include "platform/linux/provider/sources/system/bus_device.h"
#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/sources/system/sysfs_path.h"
#include "platform/linux/provider/sources/system/udev_database.h"

namespace hwident {
namespace {

const char* const kNotDisks[] = {"loop", "ram", "zram", "dm-", "md", "sr", "nbd", "fd"};
constexpr char kMicrosoftReserved[] = "e3c9e316-0b5c-4db8-817d-f92df00215ae";

std::optional<std::uint64_t> Unsigned(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  const auto value = ParseDecimal(Trim(*text));
  if (!value || *value < 0) return std::nullopt;
  return static_cast<std::uint64_t>(*value);
}

std::optional<std::string> NonEmpty(std::optional<std::string> text) {
  if (text) text = Trim(*text);
  if (!text || text->empty()) return std::nullopt;
  return text;
}

// udev escapes blanks and odd bytes in *_ENC values as \xHH.
std::string DecodeUdevEscapes(const std::string& text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned value = 0;
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
        std::sscanf(text.substr(i + 2, 2).c_str(), "%2x", &value) == 1) {
      decoded += static_cast<char>(value);
      i += 3;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

// The kernel's index order of a disk name: its family ("sd", "nvme") and
// its numbers, where the letters of sda..sdz, sdaa.. count in base 26 as
// the kernel counts them.
std::pair<std::string, std::vector<std::uint64_t>> KernelOrderKey(const std::string& name) {
  std::size_t letters = 0;
  while (letters < name.size() && std::isalpha(static_cast<unsigned char>(name[letters]))) {
    ++letters;
  }
  for (const char* family : {"sd", "vd", "xvd", "hd"}) {
    const std::string prefix = family;
    if (letters == name.size() && name.size() > prefix.size() && name.rfind(prefix, 0) == 0) {
      std::uint64_t index = 0;
      for (std::size_t i = prefix.size(); i < name.size() && index < (1ULL << 40); ++i) {
        index = index * 26 + static_cast<std::uint64_t>(name[i] - 'a' + 1);
      }
      return {prefix, {index}};
    }
  }
  std::vector<std::uint64_t> numbers;
  for (std::size_t i = letters; i < name.size();) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) {
      ++i;
      continue;
    }
    std::uint64_t value = 0;
    while (i < name.size() && std::isdigit(static_cast<unsigned char>(name[i]))) {
      if (value < (1ULL << 40)) value = value * 10 + static_cast<std::uint64_t>(name[i] - '0');
      ++i;
    }
    numbers.push_back(value);
  }
  return {name.substr(0, letters), numbers};
}

bool KernelOrder(const std::string& a, const std::string& b) {
  const auto keyA = KernelOrderKey(a);
  const auto keyB = KernelOrderKey(b);
  if (keyA != keyB) return keyA < keyB;
  return a < b;
}

// An ATA model as Windows' AHCI driver turns it into SCSI inquiry fields: a
// first word of at most eight characters is the vendor, the rest the
// product; a model without such a word has an empty vendor.
void SplitAtaModel(const std::string& model, std::string* vendor, std::string* product) {
  const std::size_t blank = model.find(' ');
  if (blank != std::string::npos && blank <= 8) {
    *vendor = model.substr(0, blank);
    *product = Trim(model.substr(blank + 1));
  } else {
    vendor->clear();
    *product = model;
  }
}

std::string DiskId(const std::string& bus, const std::string& vendor, const std::string& product,
                   const std::string& tail) {
  return ToUpper(bus + "\\DISK&VEN_" + InquiryField(vendor) + "&PROD_" +
                 InquiryField(product.substr(0, 16)) + tail);
}

std::string ScsiInstance(int host, int channel, int target, int lun) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "\\%d&%02X%02X%02X", host, channel & 0xFF, target & 0xFF,
                lun & 0xFF);
  return buffer;
}

// The USB device's serial: the nearest ancestor with USB descriptors.
std::optional<std::string> UsbSerial(Machine& machine, std::string path) {
  while (path.size() > 1) {
    path = path.substr(0, path.rfind('/'));
    if (machine.Exists(path + "/idVendor")) return NonEmpty(machine.Text(path + "/serial"));
  }
  return std::nullopt;
}

void ReadPartitions(Machine& machine, const std::string& block, BlockDisk* disk) {
  const std::string diskName = block.substr(block.rfind('/') + 1);
  for (const std::string& entry : machine.List(block)) {
    // Partitions are named after their disk ("sda1", "nvme0n1p1"); the
    // block directory's other entries (queue, power, holders) are not.
    if (entry.size() <= diskName.size() || entry.compare(0, diskName.size(), diskName) != 0)
      continue;
    const std::string path = block + "/" + entry;
    // The uevent file holds the partition's number and device numbers,
    // one file where "partition" and "dev" are two.
    std::optional<std::uint64_t> number;
    std::optional<std::string> numbers;
    if (const auto uevent = machine.Text(path + "/uevent")) {
      number = Unsigned(UeventValue(*uevent, "PARTN"));
      const auto major = Unsigned(UeventValue(*uevent, "MAJOR"));
      const auto minor = Unsigned(UeventValue(*uevent, "MINOR"));
      if (major && minor) numbers = std::to_string(*major) + ":" + std::to_string(*minor);
    }
    if (!number) number = Unsigned(machine.Text(path + "/partition"));
    if (!number) continue;
    if (!numbers) numbers = NonEmpty(machine.Text(path + "/dev"));
    BlockPartition partition;
    partition.name = entry;
    partition.number = static_cast<int>(*number);
    partition.startSectors = Unsigned(machine.Text(path + "/start")).value_or(0);
    partition.sizeSectors = Unsigned(machine.Text(path + "/size")).value_or(0);
    if (numbers) {
      const std::string id = "b" + *numbers;
      partition.scheme = UdevProperty(machine, id, "ID_PART_ENTRY_SCHEME");
      partition.type = UdevProperty(machine, id, "ID_PART_ENTRY_TYPE");
      partition.flags = UdevProperty(machine, id, "ID_PART_ENTRY_FLAGS");
    }
    // Windows lists neither the Microsoft reserved partition nor the
    // container of MBR logical partitions (which Linux shows as 1 KiB).
    if (partition.type && *partition.type == kMicrosoftReserved) continue;
    const std::string type = partition.type.value_or("");
    if (type == "0x5" || type == "0xf" || type == "0x85") continue;
    if (!partition.type && partition.number <= 4 && partition.sizeSectors <= 2) continue;
    disk->partitions.push_back(partition);
  }
  std::sort(disk->partitions.begin(), disk->partitions.end(),
            [](const BlockPartition& a, const BlockPartition& b) { return a.number < b.number; });
}

// IDENTIFY words as /sys/class/ata_device/devX.Y/id prints them, read once
// for the three strings a disk needs; nothing unless all 256 are there.
std::optional<std::vector<unsigned>> IdentifyWords(const std::string& text) {
  std::vector<unsigned> words;
  words.reserve(256);
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\n')) ++at;
    if (at == text.size()) break;
    unsigned value = 0;
    for (int digit = 0; digit < 4; ++digit, ++at) {
      if (at >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[at]))) {
        return std::nullopt;
      }
      const char c = text[at];
      value = value * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    if (at < text.size() && text[at] != ' ' && text[at] != '\n') return std::nullopt;
    words.push_back(value);
  }
  if (words.size() != 256) return std::nullopt;
  return words;
}

// The string in words [first, first + count), two characters a word, the
// first in the high byte, blanks at the ends dropped.
std::optional<std::string> IdentifyString(const std::vector<unsigned>& words, int first,
                                          int count) {
  std::string text;
  for (int i = first; i < first + count; ++i) {
    text += static_cast<char>(words[static_cast<std::size_t>(i)] >> 8);
    text += static_cast<char>(words[static_cast<std::size_t>(i)] & 0xFF);
  }
  text = text.substr(0, text.find('\0'));
  return NonEmpty(text);
}

void ReadAta(Machine& machine, int port, BlockDisk* disk, std::string* vendor,
             std::string* product) {
  const std::string id = "/sys/class/ata_device/dev" + std::to_string(port) + "." +
                         std::to_string(disk->target.value_or(0)) + "/id";
  const std::optional<std::string>& text = machine.Raw(id);
  if (!text) return;
  const auto words = IdentifyWords(*text);
  if (!words) return;
  disk->serial = IdentifyString(*words, 10, 10);
  disk->firmware = IdentifyString(*words, 23, 4);
  disk->model = IdentifyString(*words, 27, 20);
  if (disk->model) SplitAtaModel(*disk->model, vendor, product);
}

}  // namespace

std::uint64_t Cylinders(std::uint64_t bytes, std::uint32_t sectorSize) {
  if (sectorSize == 0) return 0;
  return bytes / (kTracksPerCylinder * kSectorsPerTrack * sectorSize);
}

const std::vector<std::string>& DiskNames(Machine& machine) {
  return machine.Derived<std::vector<std::string>>("disk-names", [&machine] {
    std::vector<std::string> names;
    for (const std::string& name : machine.List("/sys/block")) {
      const bool excluded =
          std::any_of(std::begin(kNotDisks), std::end(kNotDisks),
                      [&name](const char* prefix) { return name.rfind(prefix, 0) == 0; });
      // eMMC boot and RPMB areas are parts of a disk, not disks.
      const bool mmcArea =
          name.find("boot") != std::string::npos || name.find("rpmb") != std::string::npos;
      if (excluded || mmcArea) continue;
      if (!machine.Exists("/sys/block/" + name + "/device")) continue;
      names.push_back(name);
    }
    std::sort(names.begin(), names.end(), KernelOrder);
    return names;
  });
}

std::optional<std::size_t> DiskIndex(Machine& machine, const std::string& name) {
  const std::vector<std::string>& names = DiskNames(machine);
  const auto found = std::find(names.begin(), names.end(), name);
  if (found == names.end()) return std::nullopt;
  return static_cast<std::size_t>(found - names.begin());
}

const std::optional<BlockDisk>& ReadDisk(Machine& machine, const std::string& name) {
  return machine.Derived<std::optional<BlockDisk>>(
      "disk:" + name, [&]() -> std::optional<BlockDisk> {
        const std::string link = "/sys/block/" + name;
        const std::optional<std::string> block = machine.Resolve(link);
        const std::optional<std::string> device = machine.Resolve(link + "/device");
        if (!block || !device) return std::nullopt;
        BlockDisk disk;
        disk.name = name;
        const auto sectors = Unsigned(machine.Text(link + "/size"));
        if (sectors) disk.bytes = *sectors * 512;
        if (const auto size = Unsigned(machine.Text(link + "/queue/logical_block_size"))) {
          if (*size > 0 && *size <= 65536) disk.sectorSize = static_cast<std::uint32_t>(*size);
        }
        disk.removable = Trim(machine.Text(link + "/removable").value_or("0")) == "1";
        const std::string leaf = device->substr(device->rfind('/') + 1);
        int host = 0, channel = 0, target = 0, lun = 0;
        char tail = 0;
        if (std::sscanf(leaf.c_str(), "%d:%d:%d:%d%c", &host, &channel, &target, &lun, &tail) ==
            4) {
          disk.host = host, disk.channel = channel, disk.target = target, disk.lun = lun;
        }
        std::optional<int> ataPort, virtio;
        bool usb = false;
        for (const std::string& part : PathComponents(*block)) {
          if (NumberedComponent(part, "usb")) usb = true;
          if (const auto port = NumberedComponent(part, "ata")) ataPort = port;
          if (const auto number = NumberedComponent(part, "virtio")) virtio = number;
        }
        std::string vendor, product;
        // A SCSI device's inquiry data, which only USB and SCSI disks name
        // themselves by.
        const auto inquiryVendor = [&] {
          return Trim(machine.Text(*device + "/vendor").value_or(""));
        };
        const auto inquiryModel = [&] {
          return Trim(machine.Text(*device + "/model").value_or(""));
        };
        const auto revision = [&] { return NonEmpty(machine.Text(*device + "/rev")); };
        std::string instance;
        if (name.rfind("nvme", 0) == 0) {
          disk.bus = DiskBus::kNvme;
          disk.model = NonEmpty(machine.Text(*device + "/model"));
          vendor = "NVMe";
          product = disk.model.value_or("");
          disk.serial = NvmeIdSerial(Trim(machine.Text(link + "/nguid").value_or("")));
          if (!disk.serial)
            disk.serial = NvmeIdSerial(Trim(machine.Text(link + "/eui").value_or("")));
          if (!disk.serial) disk.serial = NonEmpty(machine.Text(*device + "/serial"));
          disk.firmware = NonEmpty(machine.Text(*device + "/firmware_rev"));
          // nvmeCnN: controller C, namespace N (the first is 1).
          int controller = 0, space = 1;
          std::sscanf(name.c_str(), "nvme%dn%d", &controller, &space);
          instance = ScsiInstance(controller, 0, 0, space - 1);
        } else if (usb) {
          disk.bus = DiskBus::kUsb;
          disk.model = NonEmpty(inquiryVendor() + " " + inquiryModel());
          if (disk.model) *disk.model += " USB Device";
          disk.serial = UsbSerial(machine, *device);
          disk.firmware = revision();
          const std::string serial = disk.serial.value_or("");
          const bool usable = !serial.empty() && serial.find_first_of("\\_ ") == std::string::npos;
          const std::string unit = std::to_string(disk.lun.value_or(0));
          disk.pnpDeviceId = ToUpper("USBSTOR\\DISK&VEN_" + InquiryField(inquiryVendor()) +
                                     "&PROD_" + InquiryField(inquiryModel()) + "&REV_" +
                                     InquiryField(disk.firmware.value_or("")) + "\\" +
                                     (usable ? serial : std::to_string(host)) + "&" + unit);
        } else if (ataPort) {
          disk.bus = DiskBus::kAta;
          ReadAta(machine, *ataPort, &disk, &vendor, &product);
          instance = ScsiInstance(host, channel, target, lun);
        } else if (virtio && !disk.host) {
          // virtio-blk has no inquiry data; Windows' driver presents the disk
          // as this vendor's and product's SCSI disk.
          disk.bus = DiskBus::kVirtio;
          vendor = "Red Hat";
          product = "VirtIO";
          disk.model = "Red Hat VirtIO SCSI Disk Device";
          disk.serial = NonEmpty(machine.Text(link + "/serial"));
          instance = ScsiInstance(*virtio, 0, 0, 0);
        } else {
          disk.bus = DiskBus::kScsi;
          vendor = inquiryVendor();
          product = inquiryModel();
          disk.model = NonEmpty(vendor + " " + product);
          if (disk.model) *disk.model += " SCSI Disk Device";
          if (const std::optional<std::string>& page = machine.Raw(*device + "/vpd_pg80")) {
            disk.serial = VpdPage80Serial(*page);
          }
          disk.firmware = revision();
          instance = ScsiInstance(host, channel, target, lun);
        }
        // udev's record fills what sysfs left out: a model for ATA disks whose
        // IDENTIFY data cannot be read, a serial where no page holds one.
        const bool ataModelMissing = !disk.model && disk.bus == DiskBus::kAta;
        const bool serialMissing = !disk.serial && disk.bus != DiskBus::kVirtio;
        const auto numbers = ataModelMissing || serialMissing
                                 ? NonEmpty(machine.Text(link + "/dev"))
                                 : std::optional<std::string>();
        if (numbers) {
          if (ataModelMissing) {
            if (const auto model = UdevProperty(machine, "b" + *numbers, "ID_MODEL_ENC")) {
              disk.model = NonEmpty(DecodeUdevEscapes(*model));
              if (disk.model) SplitAtaModel(*disk.model, &vendor, &product);
            }
          }
          if (serialMissing) {
            disk.serial = NonEmpty(UdevProperty(machine, "b" + *numbers, "ID_SERIAL_SHORT"));
          }
        }
        if (disk.bus != DiskBus::kUsb) disk.pnpDeviceId = DiskId("SCSI", vendor, product, instance);
        ReadPartitions(machine, *block, &disk);
        return disk;
      });
}

std::optional<std::string> PartitionTypeText(const BlockPartition& partition) {
  if (!partition.scheme || !partition.type) return std::nullopt;
  const std::string type = partition.type.value();
  if (*partition.scheme == "gpt") {
    if (type == "c12a7328-f81f-11d2-ba4b-00a0c93ec93b") return "GPT: System";
    if (type == "ebd0a0a2-b9e5-4433-87c0-68b6b72699c7") return "GPT: Basic Data";
    if (type == "5808c8aa-7e8f-42e0-85d2-e1e90434cfb3") return "GPT: Logical Disk Manager Metadata";
    if (type == "af9b60a0-1431-4f62-bc68-3311714a69ad") return "GPT: Logical Disk Manager Data";
    return "GPT: Unknown";
  }
  if (*partition.scheme != "dos") return std::nullopt;
  // The MBR type byte, named as the Win32 partition types name it.
  static const std::pair<const char*, const char*> kTypes[] = {
      {"0x1", "12-bit FAT"},
      {"0x2", "Xenix Type 1"},
      {"0x3", "Xenix Type 2"},
      {"0x4", "16-bit FAT"},
      {"0x5", "Extended Partition"},
      {"0x6", "MS-DOS V4 Huge"},
      {"0x7", "Installable File System"},
      {"0xb", "Win95 w/Extended Int 13"},
      {"0xc", "Win95 w/Extended Int 13"},
      {"0xe", "Win95 w/Extended Int 13"},
      {"0xf", "Extended w/Extended Int 13"},
      {"0x41", "PowerPC Reference Platform"},
      {"0x42", "Logical Disk Manager"},
      {"0x63", "UNIX"},
  };
  for (const auto& [code, text] : kTypes) {
    if (type == code) return std::string(text);
  }
  return "Unknown";
}

std::optional<bool> PartitionBootable(const BlockPartition& partition) {
  if (!partition.scheme) return std::nullopt;
  if (*partition.scheme == "gpt") {
    if (!partition.type) return std::nullopt;
    return *partition.type == "c12a7328-f81f-11d2-ba4b-00a0c93ec93b";
  }
  if (*partition.scheme != "dos") return std::nullopt;
  const std::string flags = partition.flags.value_or("0x0");
  unsigned value = 0;
  if (std::sscanf(flags.c_str(), "0x%x", &value) != 1) return std::nullopt;
  return (value & 0x80) != 0;
}

std::optional<std::string> NvmeIdSerial(const std::string& id) {
  std::string digits;
  for (char c : id) {
    if (std::isxdigit(static_cast<unsigned char>(c))) {
      digits += c;
    } else if (c != '-' && c != ' ') {
      return std::nullopt;
    }
  }
  if ((digits.size() != 16 && digits.size() != 32) ||
      digits.find_first_not_of('0') == std::string::npos) {
    return std::nullopt;
  }
  std::string text;
  for (std::size_t i = 0; i < digits.size(); i += 4) {
    if (!text.empty()) text += '_';
    text += digits.substr(i, 4);
  }
  return ToUpper(text) + ".";
}

std::optional<std::string> VpdPage80Serial(const std::string& page) {
  if (page.size() < 4 || static_cast<unsigned char>(page[1]) != 0x80) return std::nullopt;
  const std::size_t length =
      (static_cast<unsigned char>(page[2]) << 8) | static_cast<unsigned char>(page[3]);
  std::string serial = page.substr(4, length);
  serial = serial.substr(0, serial.find('\0'));
  return NonEmpty(serial);
}

}  // namespace hwident
