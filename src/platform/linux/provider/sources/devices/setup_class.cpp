#include "platform/linux/provider/sources/devices/setup_class.h"

#include <algorithm>
#include <array>

namespace hwident {
namespace {

// Microsoft's published GUIDs of the system-defined setup classes.
constexpr std::array<SetupClass, 18> kClasses{{
    {"1394", "{6bdd1fc1-810f-11d0-bec7-08002be2092f}"},
    {"Battery", "{72631e54-78a4-11d0-bcf7-00aa00b7b32a}"},
    {"Bluetooth", "{e0cbf06c-cd8b-4647-bb8a-263b43f0f974}"},
    {"Camera", "{ca3e7ab9-b4c3-4ae6-8251-579ef933890f}"},
    {"DiskDrive", "{4d36e967-e325-11ce-bfc1-08002be10318}"},
    {"Display", "{4d36e968-e325-11ce-bfc1-08002be10318}"},
    {"HDC", "{4d36e96a-e325-11ce-bfc1-08002be10318}"},
    {"HIDClass", "{745a17a0-74d3-11d0-b6fe-00a0c90f57da}"},
    {"Keyboard", "{4d36e96b-e325-11ce-bfc1-08002be10318}"},
    {"MEDIA", "{4d36e96c-e325-11ce-bfc1-08002be10318}"},
    {"Monitor", "{4d36e96e-e325-11ce-bfc1-08002be10318}"},
    {"Mouse", "{4d36e96f-e325-11ce-bfc1-08002be10318}"},
    {"Net", "{4d36e972-e325-11ce-bfc1-08002be10318}"},
    {"Ports", "{4d36e978-e325-11ce-bfc1-08002be10318}"},
    {"Processor", "{50127dc3-0f36-415e-a6cc-4cb3be910b65}"},
    {"SCSIAdapter", "{4d36e97b-e325-11ce-bfc1-08002be10318}"},
    {"System", "{4d36e97d-e325-11ce-bfc1-08002be10318}"},
    {"USB", "{36fc9e60-c465-11cf-8056-444553540000}"},
}};

constexpr std::array<std::pair<std::string_view, std::pair<std::string_view, std::string_view>>, 23>
    kAcpiDevices{{
        {"ACPI0003", {"Microsoft AC Adapter", "Battery"}},
        {"ACPI0007", {"", "Processor"}},
        {"ACPI000C", {"ACPI Processor Aggregator", "System"}},
        {"PNP0000", {"Programmable interrupt controller", "System"}},
        {"PNP0100", {"System timer", "System"}},
        {"PNP0103", {"High precision event timer", "System"}},
        {"PNP0200", {"Direct memory access controller", "System"}},
        {"PNP0303", {"Standard PS/2 Keyboard", "Keyboard"}},
        {"PNP0501", {"Communications Port", "Ports"}},
        {"PNP0800", {"System speaker", "System"}},
        {"PNP0A03", {"PCI Bus", "System"}},
        {"PNP0A08", {"PCI Express Root Complex", "System"}},
        {"PNP0B00", {"System CMOS/real time clock", "System"}},
        {"PNP0C01", {"System board", "System"}},
        {"PNP0C02", {"Motherboard resources", "System"}},
        {"PNP0C04", {"Numeric data processor", "System"}},
        {"PNP0C09", {"Microsoft ACPI-Compliant Embedded Controller", "System"}},
        {"PNP0C0A", {"Microsoft ACPI-Compliant Control Method Battery", "Battery"}},
        {"PNP0C0C", {"ACPI Power Button", "System"}},
        {"PNP0C0D", {"ACPI Lid", "System"}},
        {"PNP0C0E", {"ACPI Sleep Button", "System"}},
        {"PNP0C14", {"Microsoft Windows Management Interface for ACPI", "System"}},
        {"PNP0F13", {"PS/2 Compatible Mouse", "Mouse"}},
    }};

}  // namespace

SetupClass NamedSetupClass(std::string_view name) {
  for (const SetupClass& known : kClasses) {
    if (known.name == name) return known;
  }
  return SetupClass{};
}

std::optional<SetupClass> PciSetupClass(std::uint32_t classCode) {
  const std::uint32_t base = classCode >> 16, sub = (classCode >> 8) & 0xFF;
  switch (base) {
    case 0x01:
      // IDE and SATA controllers are "IDE ATA/ATAPI controllers" (the
      // inbox AHCI driver's class); SCSI, RAID, SAS and NVMe controllers
      // are storage controllers, whose class keeps its old SCSI name.
      if (sub == 0x01 || sub == 0x06) return NamedSetupClass("HDC");
      return NamedSetupClass("SCSIAdapter");
    case 0x02:
      return NamedSetupClass("Net");
    case 0x03:
      return NamedSetupClass("Display");
    case 0x04:
      // The HD Audio controller is a bus: its codecs are the sound devices.
      if (sub == 0x03) return NamedSetupClass("System");
      return NamedSetupClass("MEDIA");
    case 0x05:
    case 0x06:
    case 0x08:
      return NamedSetupClass("System");
    case 0x07:
      if (sub == 0x00) return NamedSetupClass("Ports");
      return NamedSetupClass("System");
    case 0x0C:
      if (sub == 0x00) return NamedSetupClass("1394");
      if (sub == 0x03) return NamedSetupClass("USB");
      return NamedSetupClass("System");
    default:
      return std::nullopt;
  }
}

std::optional<SetupClass> UsbInterfaceSetupClass(std::uint8_t interfaceClass) {
  switch (interfaceClass) {
    case 0x01:
      return NamedSetupClass("MEDIA");
    case 0x02:
      return NamedSetupClass("Ports");
    case 0x03:
      return NamedSetupClass("HIDClass");
    case 0x07:
    case 0x08:
    case 0x09:
      return NamedSetupClass("USB");
    case 0x0E:
      return NamedSetupClass("Camera");
    case 0xE0:
      return NamedSetupClass("Bluetooth");
    default:
      return std::nullopt;
  }
}

std::optional<AcpiDeviceKind> KnownAcpiDevice(std::string_view hardwareId) {
  const auto found = std::find_if(kAcpiDevices.begin(), kAcpiDevices.end(),
                                  [&](const auto& entry) { return entry.first == hardwareId; });
  if (found == kAcpiDevices.end()) return std::nullopt;
  return AcpiDeviceKind{found->second.first, NamedSetupClass(found->second.second)};
}

}  // namespace hwident
