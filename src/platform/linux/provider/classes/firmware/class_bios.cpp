// Win32_BIOS: the firmware, from SMBIOS type 0, its entry point and the
// ACPI table headers. Windows returns the object even without SMBIOS, so
// every machine has one.
#include <cstdio>

#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/firmware/machine_smbios.h"
#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/values/dmtf_time.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

// Major or minor of a "major.minor" release attribute. The kernel leaves the
// file out when SMBIOS says "not supported" (both bytes 0xFF), which Windows
// shows as 255.
Fact ReleasePart(M& m, const std::string& attribute, bool major) {
  const auto text = m.Dmi(attribute);
  if (!text) return m.HasDmi() ? Fact::Number(255) : Fact::Null();
  const std::size_t dot = text->find('.');
  if (dot == std::string::npos) return Fact::Null();
  return Fact::Text(major ? text->substr(0, dot) : text->substr(dot + 1));
}

// The SMBIOS version from the entry point (root only).
Fact SmbiosVersion(M& m, bool major) {
  const auto entry = ReadSmbiosEntryPoint(m);
  if (!entry) return Fact::Null();
  return Fact::Number(major ? entry->major : entry->minor);
}

// Windows' BIOS Version is the ACPI root table's OEM id, " - " and its OEM
// revision in hex ("DELL   - 1072009"). Linux publishes neither root table
// (XSDT, RSDT), so the FADT's header, then the DSDT's, stand in for them;
// firmware usually gives all its tables one OEM id, but the revisions may
// differ. The tables are root only.
std::optional<std::string> AcpiVersionText(M& m) {
  for (const char* name : {"XSDT", "RSDT", "FACP", "DSDT"}) {
    const auto table = m.RootOnlyRaw(std::string("/sys/firmware/acpi/tables/") + name);
    if (!table || table->size() < 36) continue;
    std::uint32_t revision = 0;
    for (int i = 3; i >= 0; --i) {
      revision = (revision << 8) | static_cast<unsigned char>((*table)[24 + i]);
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", revision);
    return table->substr(10, 6) + " - " + hex;
  }
  return std::nullopt;
}

Fact AcpiVersion(M& m, I) {
  return FactFrom(AcpiVersionText(m));
}

constexpr std::uint8_t kBiosType = 0;

// The set bits of the characteristics as Windows numbers them: bits 0-31 of
// the QWORD as they are, then the two extension bytes from 32 and 40. The
// QWORD's upper half is vendor-reserved and has no Windows numbers.
Fact BiosCharacteristics(M& m, I) {
  const SmbiosTable* table = ReadSmbios(m);
  const SmbiosStructure* bios = table ? table->First(kBiosType, smbios_minimum::kBios) : nullptr;
  if (bios == nullptr) return Fact::Null();
  const auto bits = bios->Qword(0x0A);
  if (!bits) return Fact::Null();
  std::vector<std::string> set;
  for (int bit = 0; bit < 32; ++bit) {
    if ((*bits >> bit) & 1) set.push_back(std::to_string(bit));
  }
  for (int extension = 0; extension < 2; ++extension) {
    const auto byte = bios->Byte(0x12 + static_cast<std::size_t>(extension));
    for (int bit = 0; byte && bit < 8; ++bit) {
      if ((*byte >> bit) & 1) set.push_back(std::to_string(32 + 8 * extension + bit));
    }
  }
  return Fact::List(std::move(set));
}

// Windows lists the ACPI OEM text and the type-0 version string.
Fact BiosVersionList(M& m, I) {
  const SmbiosTable* table = ReadSmbios(m);
  const SmbiosStructure* bios = table ? table->First(kBiosType, smbios_minimum::kBios) : nullptr;
  if (bios == nullptr) return Fact::Null();
  std::vector<std::string> versions;
  if (const auto acpi = AcpiVersionText(m)) versions.push_back(*acpi);
  if (const auto version = bios->String(0x05)) versions.push_back(*version);
  return Fact::List(std::move(versions));
}

Fact ReleaseDate(M& m, I) {
  const auto date = m.Dmi("bios_date");
  if (!date) return Fact::Null();
  return FactFrom(FirmwareDateToDmtf(*date));
}

Fact BiosVersion(M& m, I) {
  return FactFrom(m.Dmi("bios_version"));
}

constexpr PropertySchema kProperties[] = {
    {"BiosCharacteristics", CimType::kUint16Array, BiosCharacteristics},
    {"BIOSVersion", CimType::kStringArray, BiosVersionList},
    // Windows shows either the SMBIOS version string or a fixed text here,
    // by machine; the version string is what this machine really has.
    {"Caption", CimType::kString, BiosVersion},
    {"Description", CimType::kString, BiosVersion},
    {"EmbeddedControllerMajorVersion", CimType::kUint8,
     [](M& m, I) { return ReleasePart(m, "ec_firmware_release", true); }},
    {"EmbeddedControllerMinorVersion", CimType::kUint8,
     [](M& m, I) { return ReleasePart(m, "ec_firmware_release", false); }},
    {"Manufacturer", CimType::kString, [](M& m, I) { return FactFrom(m.Dmi("bios_vendor")); }},
    {"Name", CimType::kString, BiosVersion},
    {"PrimaryBIOS", CimType::kBoolean, [](M&, I) { return Fact::Flag(true); }},
    {"ReleaseDate", CimType::kDatetime, ReleaseDate},
    // Windows shows the system's (type 1) serial here, not a firmware one.
    {"SerialNumber", CimType::kString,
     [](M& m, I) { return FactFrom(m.RootOnlyText(Machine::kDmiDirectory + "product_serial")); }},
    {"SMBIOSBIOSVersion", CimType::kString, BiosVersion},
    {"SMBIOSMajorVersion", CimType::kUint16, [](M& m, I) { return SmbiosVersion(m, true); }},
    {"SMBIOSMinorVersion", CimType::kUint16, [](M& m, I) { return SmbiosVersion(m, false); }},
    {"SMBIOSPresent", CimType::kBoolean, [](M& m, I) { return Fact::Flag(m.HasDmi()); }},
    {"SoftwareElementID", CimType::kString, BiosVersion},
    {"Status", CimType::kString, [](M&, I) { return Constant("OK"); }},
    {"SystemBiosMajorVersion", CimType::kUint8,
     [](M& m, I) { return ReleasePart(m, "bios_release", true); }},
    {"SystemBiosMinorVersion", CimType::kUint8,
     [](M& m, I) { return ReleasePart(m, "bios_release", false); }},
    {"Version", CimType::kString, AcpiVersion},
};

}  // namespace

const ClassSchema& BiosClass() {
  static const ClassSchema schema{"Win32_BIOS", SingleInstance, kProperties};
  return schema;
}

}  // namespace hwident
