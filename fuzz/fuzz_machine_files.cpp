// The provider's parsers of single machine files, each straight on the
// input, with the rules their results must keep. One byte picks the parser;
// the rest is the file (parsers of several files take them split at NULs, in
// the order they name them).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_machine_support.h"
#include "platform/heap/heap_values.h"
#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/service/class_schema.h"
#include "platform/linux/provider/sources/storage/mount_table.h"
#include "platform/linux/provider/sources/storage/optical_drive.h"
#include "platform/linux/provider/sources/system/cpu_identity.h"
#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/sources/system/proc_stat.h"
#include "platform/linux/provider/values/cim_value.h"
#include "platform/linux/provider/values/dmtf_time.h"
#include "platform/linux/provider/values/number_text.h"

namespace {

using hwident::fuzz::AddFiles;
using hwident::fuzz::PickedLiveFacts;
using hwident::fuzz::ReadEveryProperty;

void Check(bool rule) {
  if (!rule) std::abort();
}

// Every property of one class over a machine holding the files given, each
// value typed as the object would hand it out.
void ReadClass(const std::string& className, const std::vector<std::string>& paths,
               std::string_view files, std::uint8_t pick,
               const std::vector<std::pair<std::string, std::string>>& links = {}) {
  hwident::MemorySourceReader reader;
  for (const auto& [path, target] : links) reader.AddLink(path, target);
  // An ATAPI drive for the drive classes to find; the files give the rest.
  const std::string drive = "/sys/devices/pci0000:00/ata1/host0/target0:0:0/0:0:0:0";
  reader.AddFile(drive + "/vendor", "ATAPI   ");
  reader.AddLink("/sys/block/sr0/device", drive);
  AddFiles(reader, paths, files);
  const PickedLiveFacts live(pick);
  Check(ReadEveryProperty(reader, live, className));
}

void CpuInfo(const std::string& text) {
  const hwident::CpuInfo info = hwident::ParseCpuInfo(text);
  Check(info.processors.size() <= static_cast<std::size_t>(hwident::kMaxCpus));
  for (const hwident::CpuInfoBlock& block : info.processors) {
    if (const auto id = hwident::X86ProcessorId(block)) Check(id->size() == 16);
    if (const auto code = hwident::Field(block, "CPU implementer")) hwident::ArmImplementer(*code);
  }
}

void CpuList(const std::string& text) {
  const std::vector<int> cpus = hwident::ParseCpuList(text);
  Check(cpus.size() <= static_cast<std::size_t>(hwident::kMaxCpus));
  for (std::size_t i = 0; i < cpus.size(); ++i) {
    Check(cpus[i] >= 0 && cpus[i] < hwident::kMaxCpus);
    if (i > 0) Check(cpus[i - 1] < cpus[i]);
  }
}

void CacheSize(const std::string& text) {
  if (const auto kb = hwident::ParseSizeKilobytes(text)) Check(*kb >= 0);
}

// Two bytes pick the words; the rest is the id file.
void AtaIdentify(const std::string& text) {
  if (text.size() < 2) return;
  const int first = static_cast<unsigned char>(text[0]);
  const int words = static_cast<unsigned char>(text[1]) % 64;
  if (const auto found = hwident::AtaIdentifyString(text.substr(2), first, words)) {
    Check(found->size() <= static_cast<std::size_t>(words) * 2);
  }
}

void FirmwareDate(const std::string& text) {
  if (const auto date = hwident::FirmwareDateToDmtf(text)) Check(date->size() == 25);
}

void MountEscapes(const std::string& text) {
  Check(hwident::DecodeMountEscapes(text).size() <= text.size());
}

// The number parsers every source goes through.
void Numbers(const std::string& text) {
  if (const auto value = hwident::ParseDecimalIn(text, -1000, 1000)) {
    Check(*value >= -1000 && *value <= 1000);
  }
  if (const auto value = hwident::ParseHexIn(text, 0xFF)) Check(*value <= 0xFF);
  if (const auto seconds = hwident::ParseDecimal(text)) {
    if (const auto micro = hwident::DmtfMicroseconds(*seconds)) {
      for (int offset : {-720, 0, 840}) Check(hwident::EpochToDmtf(*micro, offset).size() == 25);
    }
  }
}

void OperatingSystem(const std::string& text, std::uint8_t pick) {
  ReadClass("Win32_OperatingSystem", {"/etc/os-release", "/proc/meminfo", "/proc/stat"}, text,
            pick);
}

// The login records name the console user: seat0's active session, then
// that session's record.
void ComputerSystem(const std::string& text, std::uint8_t pick) {
  ReadClass("Win32_ComputerSystem",
            {"/run/systemd/seats/seat0", "/run/systemd/sessions/1", "/proc/sys/kernel/hostname",
             "/sys/devices/system/cpu/online"},
            text, pick);
}

void Processor(const std::string& text, std::uint8_t pick) {
  const std::string cpu0 = "/sys/devices/system/cpu/cpu0/";
  ReadClass("Win32_Processor",
            {"/proc/cpuinfo", "/proc/stat", cpu0 + "cpufreq/base_frequency",
             cpu0 + "cache/index2/size", cpu0 + "cache/index2/level"},
            text, pick);
}

void Bios(const std::string& text, std::uint8_t pick) {
  ReadClass("Win32_BIOS",
            {"/sys/class/dmi/id/bios_date", "/sys/class/dmi/id/ec_firmware_release",
             "/sys/firmware/dmi/tables/smbios_entry_point", "/sys/firmware/acpi/tables/XSDT"},
            text, pick);
}

// The drive's SCSI address is its directory's name; mountinfo follows.
void CdromAddress(const std::string& text, std::uint8_t pick) {
  const std::size_t end = std::min(text.find('\0'), text.size());
  hwident::MemorySourceReader reader;
  const std::string device = "/sys/devices/host0/" + text.substr(0, end);
  reader.AddFile(device + "/vendor", "ACME");
  reader.AddLink("/sys/block/sr0/device", device);
  reader.AddFile("/proc/self/mountinfo", text.substr(std::min(end + 1, text.size())));
  const PickedLiveFacts live(pick);
  hwident::Machine machine(reader, live);
  if (const auto drive = hwident::ReadOpticalDrive(machine, "sr0")) {
    hwident::CdromDeviceId(*drive);
    hwident::MountPoint(machine, *drive);
  }
}

void CdromDrive(const std::string& text, std::uint8_t pick) {
  ReadClass("Win32_CDROMDrive",
            {"/proc/sys/dev/cdrom/info", "/sys/block/sr0/dev", "/proc/self/mountinfo",
             "/sys/class/ata_device/dev1.0/id", "/run/udev/data/b11:0"},
            text, pick);
}

void SystemEnclosure(const std::string& text, std::uint8_t pick) {
  ReadClass("Win32_SystemEnclosure", {"/sys/class/dmi/id/chassis_type"}, text, pick);
}

// Two readings of /proc/stat, split at the first NUL.
void CpuLoad(const std::string& text) {
  const std::size_t end = std::min(text.find('\0'), text.size());
  const auto load = hwident::LoadPercent(hwident::ParseCpuTimes(text.substr(0, end)),
                                         hwident::ParseCpuTimes(text.substr(end)), {0, 1, 2, 3});
  if (load) Check(*load >= 0 && *load <= 100);
}

void Battery(const std::string& text, std::uint8_t pick) {
  const std::string bat = "/sys/class/power_supply/BAT0/";
  ReadClass("Win32_Battery",
            {bat + "type", bat + "status", bat + "charge_full_design", bat + "charge_now",
             bat + "current_now", bat + "voltage_min_design", bat + "energy_full",
             bat + "energy_now", bat + "power_now", bat + "capacity"},
            text, pick);
}

// The firmware's table behind its entry point, as the kernel publishes
// them: the entry point's length says where the table starts. Every class
// made of the table's records reads it, as root.
void BoardRecords(const std::string& text, std::uint8_t pick) {
  const std::size_t entryLength =
      std::min<std::size_t>(text.compare(0, 5, "_SM3_") == 0 ? 0x18 : 0x1F, text.size());
  hwident::MemorySourceReader reader;
  reader.AddFile("/sys/firmware/dmi/tables/smbios_entry_point", text.substr(0, entryLength));
  reader.AddFile("/sys/firmware/dmi/tables/DMI", text.substr(entryLength));
  reader.AddFile("/proc/sys/kernel/hostname", "board");
  const PickedLiveFacts live(pick | 4);
  for (const char* className :
       {"Win32_CacheMemory", "Win32_PortConnector", "Win32_SystemSlot", "Win32_OnBoardDevice"}) {
    Check(ReadEveryProperty(reader, live, className));
  }
}

// A PCI function, a composite USB device with an interface and an ACPI
// device, each bound to a driver, for the device and controller classes.
void Devices(const std::string& text, std::uint8_t pick) {
  const std::string pci = "/sys/devices/pci0000:00/0000:00:14.0";
  const std::string usb = pci + "/usb1/1-3";
  const std::string acpi = "/sys/devices/LNXSYSTM:00/PNP0C0A:00";
  const std::vector<std::string> files = {pci + "/class",
                                          pci + "/vendor",
                                          pci + "/device",
                                          pci + "/revision",
                                          usb + "/idVendor",
                                          usb + "/idProduct",
                                          usb + "/bcdDevice",
                                          usb + "/bNumInterfaces",
                                          usb + "/serial",
                                          usb + "/devpath",
                                          usb + "/1-3:1.0/bInterfaceClass",
                                          usb + "/1-3:1.0/bInterfaceNumber",
                                          acpi + "/hid",
                                          acpi + "/uid",
                                          acpi + "/status",
                                          "/sys/module/usbhid/taint"};
  const std::vector<std::pair<std::string, std::string>> links = {
      {"/sys/bus/pci/devices/0000:00:14.0", pci},
      {"/sys/bus/usb/devices/1-3", usb},
      {"/sys/bus/usb/devices/1-3:1.0", usb + "/1-3:1.0"},
      {"/sys/bus/acpi/devices/PNP0C0A:00", acpi},
      {pci + "/driver", "/sys/bus/pci/drivers/xhci_hcd"},
      {usb + "/1-3:1.0/driver", "/sys/bus/usb/drivers/usbhid"},
      {"/sys/bus/usb/drivers/usbhid/module", "/sys/module/usbhid"},
      {acpi + "/driver", "/sys/bus/acpi/drivers/battery"}};
  for (const char* className : {"Win32_PnPEntity", "Win32_PnPSignedDriver", "Win32_USBController",
                                "Win32_IDEController", "Win32_SCSIController"}) {
    ReadClass(className, files, text, pick, links);
  }
}

template <void (*Parse)(const std::string&)>
void Alone(const std::string& text, std::uint8_t) {
  Parse(text);
}

// Indexed by the input's first byte; seeds depend on the order.
constexpr void (*kParsers[])(const std::string&, std::uint8_t) = {
    Alone<CpuInfo>,
    Alone<CpuList>,
    Alone<CacheSize>,
    Alone<AtaIdentify>,
    Alone<FirmwareDate>,
    Alone<MountEscapes>,
    Alone<Numbers>,
    OperatingSystem,
    ComputerSystem,
    Processor,
    Bios,
    CdromAddress,
    CdromDrive,
    SystemEnclosure,
    Alone<CpuLoad>,
    Battery,
    BoardRecords,
    Devices,
};

}  // namespace

// Input: the parser's number, a byte of live facts, then the file(s).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);
  kParsers[data[0] % std::size(kParsers)](text, data[1]);
  return 0;
}
