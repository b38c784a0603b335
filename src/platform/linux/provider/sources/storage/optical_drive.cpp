#include "platform/linux/provider/sources/storage/optical_drive.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>

#include "platform/linux/provider/sources/storage/cdrom_identifier.h"
#include "platform/linux/provider/sources/storage/mount_table.h"
#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/sources/system/sysfs_path.h"
#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

// The SCSI address "H:C:T:L" the device's directory is named after; the
// kernel prints each part as a non-negative int.
bool ParseAddress(const std::string& text, OpticalDrive* drive) {
  int* const parts[] = {&drive->host, &drive->channel, &drive->target, &drive->lun};
  std::size_t start = 0;
  for (std::size_t i = 0; i < std::size(parts); ++i) {
    const bool last = i + 1 == std::size(parts);
    const std::size_t colon = last ? text.size() : text.find(':', start);
    if (colon == std::string::npos) return false;
    const auto number =
        ParseDecimalIn(std::string_view(text).substr(start, colon - start), 0, INT32_MAX);
    if (!number) return false;
    *parts[i] = static_cast<int>(*number);
    start = colon + 1;
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  return path.substr(0, path.rfind('/'));
}

// The USB device's serial: the nearest ancestor of the SCSI device that
// carries USB descriptors (idVendor) holds it.
std::optional<std::string> UsbSerial(Machine& machine, std::string path) {
  while (path.size() > 1) {
    path = DirectoryOf(path);
    if (machine.Exists(path + "/idVendor")) return machine.Text(path + "/serial");
  }
  return std::nullopt;
}

void ReadAtaIdentify(Machine& machine, int port, OpticalDrive* drive) {
  // libata names the device devPORT.DEVICE; for ATAPI the SCSI target is the
  // device number on the link (0, or 1 for a PATA slave).
  const std::string path = "/sys/class/ata_device/dev" + std::to_string(port) + "." +
                           std::to_string(drive->target) + "/id";
  const std::optional<std::string> id = machine.Raw(path);
  if (!id) return;
  drive->ataSerial = AtaIdentifyString(*id, 10, 10);
  drive->ataRevision = AtaIdentifyString(*id, 23, 4);
  drive->ataModel = AtaIdentifyString(*id, 27, 20);
}

std::string Instance(const OpticalDrive& drive) {
  char buffer[64];
  switch (drive.bus) {
    case DriveBus::kAta:
      std::snprintf(buffer, sizeof buffer, "%d&%d.%d.%d", drive.host, drive.channel, drive.target,
                    drive.lun);
      return buffer;
    case DriveBus::kUsb:
      if (drive.usbSerial && !drive.usbSerial->empty() &&
          drive.usbSerial->find_first_of("\\_ ") == std::string::npos) {
        return *drive.usbSerial + "&" + std::to_string(drive.lun);
      }
      return std::to_string(drive.host) + "&" + std::to_string(drive.lun);
    case DriveBus::kScsi:
      break;
  }
  std::snprintf(buffer, sizeof buffer, "%d&%02X%02X%02X", drive.host, drive.channel & 0xFF,
                drive.target & 0xFF, drive.lun & 0xFF);
  return buffer;
}

}  // namespace

std::optional<std::string> AtaIdentifyString(const std::string& idText, int firstWord, int words) {
  std::istringstream stream(idText);
  std::vector<unsigned> all;
  std::string word;
  while (stream >> word) {
    // Exactly four hex digits; sscanf alone would take "41zz" as 0x41.
    if (word.size() != 4 || !std::all_of(word.begin(), word.end(), [](char c) {
          return std::isxdigit(static_cast<unsigned char>(c)) != 0;
        })) {
      return std::nullopt;
    }
    all.push_back(static_cast<unsigned>(std::stoul(word, nullptr, 16)));
  }
  if (all.size() < static_cast<std::size_t>(firstWord + words)) return std::nullopt;
  std::string text;
  for (int i = firstWord; i < firstWord + words; ++i) {
    text += static_cast<char>(all[i] >> 8);
    text += static_cast<char>(all[i] & 0xFF);
  }
  text = Trim(text);
  if (text.find('\0') != std::string::npos) text.erase(text.find('\0'));
  return text;
}

std::vector<std::string> OpticalDriveNames(Machine& machine) {
  std::vector<std::pair<std::int64_t, std::string>> numbered;
  for (const std::string& name : machine.List("/sys/block")) {
    if (name.size() < 3 || name.compare(0, 2, "sr") != 0) continue;
    if (const auto number = ParseDecimal(name.substr(2))) numbered.emplace_back(*number, name);
  }
  std::sort(numbered.begin(), numbered.end());
  std::vector<std::string> names;
  for (const auto& [number, name] : numbered) names.push_back(name);
  return names;
}

std::optional<OpticalDrive> ReadOpticalDrive(Machine& machine, const std::string& name) {
  OpticalDrive drive;
  drive.name = name;
  const std::string block = "/sys/block/" + name;
  const std::optional<std::string> device = machine.Resolve(block + "/device");
  if (!device) return std::nullopt;
  drive.devicePath = *device;
  if (!ParseAddress(device->substr(device->rfind('/') + 1), &drive)) return std::nullopt;
  drive.vendor = machine.Text(*device + "/vendor");
  drive.model = machine.Text(*device + "/model");
  drive.revision = machine.Text(*device + "/rev");
  drive.deviceNumbers = machine.Text(block + "/dev");
  // The bus is read off the device's place in the tree: an "ataN" port for
  // libata, a "usbN" root hub for USB storage, anything else is plain SCSI.
  std::optional<int> ataPort;
  for (const std::string& part : PathComponents(*device)) {
    if (NumberedComponent(part, "usb")) drive.bus = DriveBus::kUsb;
    if (const auto port = NumberedComponent(part, "ata")) ataPort = port;
  }
  if (drive.bus != DriveBus::kUsb && ataPort) {
    drive.bus = DriveBus::kAta;
    ReadAtaIdentify(machine, *ataPort, &drive);
  }
  if (drive.bus == DriveBus::kUsb) drive.usbSerial = UsbSerial(machine, *device);
  return drive;
}

std::string CdromDeviceId(const OpticalDrive& drive) {
  const std::string vendor = drive.vendor.value_or("");
  const std::string product = drive.model.value_or("");
  const std::string revision = drive.revision.value_or("");
  switch (drive.bus) {
    case DriveBus::kAta: {
      // IDENTIFY's model is what Windows uses; INQUIRY's vendor and product
      // joined by a blank stand in when the id file cannot be read.
      const std::string model = drive.ataModel && !drive.ataModel->empty()
                                    ? *drive.ataModel
                                    : Trim(vendor) + " " + Trim(product);
      return IdeCdromId(model, drive.ataRevision.value_or(Trim(revision)), Instance(drive));
    }
    case DriveBus::kUsb:
      return UsbCdromId(vendor, product, revision, Instance(drive));
    case DriveBus::kScsi:
      break;
  }
  return ScsiCdromId(vendor, product, Instance(drive));
}

std::optional<std::string> MountPoint(Machine& machine, const OpticalDrive& drive) {
  const std::optional<std::string>& text = machine.Raw("/proc/self/mountinfo");
  if (!text) return std::nullopt;
  std::istringstream lines(*text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string id, parent, numbers, root, point;
    fields >> id >> parent >> numbers >> root >> point;
    const std::size_t dash = line.find(" - ");
    if (dash == std::string::npos) continue;
    std::istringstream tail(line.substr(dash + 3));
    std::string type, source;
    tail >> type >> source;
    if (source == "/dev/" + drive.name ||
        (drive.deviceNumbers && numbers == *drive.deviceNumbers)) {
      return DecodeMountEscapes(point);
    }
  }
  return std::nullopt;
}

std::optional<bool> CdromCapability(Machine& machine, const std::string& drive,
                                    const std::string& label) {
  const std::optional<std::string>& text = machine.Raw("/proc/sys/dev/cdrom/info");
  if (!text) return std::nullopt;
  // One column per drive, named on the "drive name:" line.
  std::optional<std::size_t> column;
  std::istringstream lines(*text);
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::istringstream values(line.substr(colon + 1));
    std::vector<std::string> cells;
    std::string cell;
    while (values >> cell) cells.push_back(cell);
    const std::string key = line.substr(0, colon);
    if (key == "drive name") {
      const auto found = std::find(cells.begin(), cells.end(), drive);
      if (found == cells.end()) return std::nullopt;
      column = static_cast<std::size_t>(found - cells.begin());
    } else if (key == label && column && *column < cells.size()) {
      return cells[*column] == "1";
    }
  }
  return std::nullopt;
}

}  // namespace hwident
