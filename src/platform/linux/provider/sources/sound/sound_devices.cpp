#include "platform/linux/provider/sources/sound/sound_devices.h"

#include <algorithm>
#include <sstream>

#include "platform/linux/provider/sources/system/pci_function.h"
#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/sources/system/udev_database.h"

namespace hwident {
namespace {

const std::string kSoundClass = "/sys/class/sound/";

std::optional<int> Number(const std::string& text) {
  const auto value = ParseDecimal(text);
  if (!value || *value < 0 || *value > 1 << 16) return std::nullopt;
  return static_cast<int>(*value);
}

// "hwC0D2" -> card 0, codec 2.
std::optional<std::pair<int, int>> CodecOf(const std::string& name) {
  if (name.compare(0, 3, "hwC") != 0) return std::nullopt;
  const std::size_t d = name.find('D', 3);
  if (d == std::string::npos) return std::nullopt;
  const auto card = Number(name.substr(3, d - 3));
  const auto codec = Number(name.substr(d + 1));
  if (!card || !codec) return std::nullopt;
  return std::make_pair(*card, *codec);
}

// The card's name in /proc/asound/cards: " 0 [PCH   ]: HDA-Intel - HDA Intel PCH".
std::optional<std::string> CardName(Machine& machine, int card) {
  const auto& cards = machine.Raw("/proc/asound/cards");
  if (!cards) return std::nullopt;
  std::istringstream lines(*cards);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string number;
    fields >> number;
    if (Number(number) != card || line.find("]: ") == std::string::npos) continue;
    const std::size_t dash = line.find(" - ", line.find("]: "));
    if (dash == std::string::npos) return std::nullopt;
    const std::string name = Trim(line.substr(dash + 3));
    if (!name.empty()) return name;
  }
  return std::nullopt;
}

std::string Upper(std::string text) {
  return ToUpper(std::move(text));
}

// The card's bus device: a PCI function, or a USB interface whose parent
// is the USB device.
void ReadCardBus(Machine& machine, int card, SoundDevice* device) {
  const auto path = machine.Resolve(kSoundClass + "card" + std::to_string(card) + "/device");
  if (!path) return;
  const std::string leaf = path->substr(path->rfind('/') + 1);
  if (machine.Exists("/sys/bus/pci/devices/" + leaf + "/vendor")) {
    if (const auto function = ReadPciFunction(machine, leaf)) {
      device->pnpDeviceId = PciPnpDeviceId(*function);
    }
    device->manufacturer = UdevProperty(machine, "+pci:" + leaf, "ID_VENDOR_FROM_DATABASE");
    return;
  }
  const std::string parent = path->substr(0, path->rfind('/'));
  const auto vendor = machine.Text(parent + "/idVendor");
  const auto product = machine.Text(parent + "/idProduct");
  const auto interface = machine.Text(*path + "/bInterfaceNumber");
  if (!vendor || !product || !interface) return;
  // USB\VID_046D&PID_0A44&MI_00\<instance>; Windows' instance is a hash,
  // this one the interface's name on the bus (1-2:1.0).
  device->pnpDeviceId =
      Upper("USB\\VID_" + *vendor + "&PID_" + *product + "&MI_" + *interface + "\\" + leaf);
  device->manufacturer = machine.Text(parent + "/manufacturer");
}

}  // namespace

std::optional<std::string> HdaPnpDeviceId(const std::string& vendorId,
                                          const std::string& subsystemId,
                                          const std::string& revisionId, int card, int address) {
  const auto vendor = ParseHex(vendorId);
  const auto subsystem = ParseHex(subsystemId);
  const auto revision = ParseHex(revisionId);
  if (!vendor || !subsystem || !revision) return std::nullopt;
  return "HDAUDIO\\FUNC_01&VEN_" + HexDigits(*vendor >> 16, 4) + "&DEV_" +
         HexDigits(*vendor & 0xFFFF, 4) + "&SUBSYS_" + HexDigits(*subsystem, 8) + "&REV_" +
         HexDigits((*revision >> 8) & 0xFFFF, 4) + "\\" + std::to_string(card) + "&" +
         HexDigits(static_cast<std::uint32_t>(address), 4);
}

std::vector<std::string> SoundDeviceKeys(Machine& machine) {
  const std::vector<std::string> entries = machine.List(kSoundClass);
  std::vector<int> cards;
  for (const std::string& entry : entries) {
    if (entry.compare(0, 4, "card") != 0) continue;
    if (const auto card = Number(entry.substr(4))) cards.push_back(*card);
  }
  std::sort(cards.begin(), cards.end());
  std::vector<std::string> keys;
  for (const int card : cards) {
    std::vector<std::pair<int, std::string>> codecs;
    for (const std::string& entry : entries) {
      const auto codec = CodecOf(entry);
      if (codec && codec->first == card) codecs.emplace_back(codec->second, entry);
    }
    std::sort(codecs.begin(), codecs.end());
    for (const auto& codec : codecs) keys.push_back(codec.second);
    if (codecs.empty()) keys.push_back("card" + std::to_string(card));
  }
  return keys;
}

std::optional<SoundDevice> ReadSoundDevice(Machine& machine, const std::string& key) {
  SoundDevice device;
  device.key = key;
  if (const auto codec = CodecOf(key)) {
    const std::string dir = kSoundClass + key + "/";
    device.card = codec->first;
    device.manufacturer = machine.Text(dir + "vendor_name");
    const auto chip = machine.Text(dir + "chip_name");
    if (device.manufacturer && chip) device.name = *device.manufacturer + " " + *chip;
    const auto vendorId = machine.Text(dir + "vendor_id");
    const auto subsystemId = machine.Text(dir + "subsystem_id");
    const auto revisionId = machine.Text(dir + "revision_id");
    if (vendorId && subsystemId && revisionId) {
      device.pnpDeviceId =
          HdaPnpDeviceId(*vendorId, *subsystemId, *revisionId, codec->first, codec->second);
    }
    return device;
  }
  if (key.compare(0, 4, "card") != 0) return std::nullopt;
  const auto card = Number(key.substr(4));
  if (!card) return std::nullopt;
  device.card = *card;
  device.name = CardName(machine, *card);
  ReadCardBus(machine, *card, &device);
  return device;
}

}  // namespace hwident
