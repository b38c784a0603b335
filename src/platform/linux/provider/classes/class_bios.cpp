// Win32_BIOS: the firmware, from SMBIOS type 0, its entry point and the
// ACPI root table.
#include <cstdio>

#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/proc_files.h"
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
  if (!text) return Fact::Number(255);
  const std::size_t dot = text->find('.');
  if (dot == std::string::npos) return Fact::Null();
  return Fact::Text(major ? text->substr(0, dot) : text->substr(dot + 1));
}

// The SMBIOS version from the entry point (root only): "_SM3_" keeps it at
// bytes 7 and 8, the 2.x "_SM_" anchor at bytes 6 and 7.
Fact SmbiosVersion(M& m, bool major) {
  const auto entry = m.RootOnlyRaw("/sys/firmware/dmi/tables/smbios_entry_point");
  if (!entry) return Fact::Null();
  std::size_t at = 0;
  if (entry->compare(0, 5, "_SM3_") == 0) {
    at = major ? 7 : 8;
  } else if (entry->compare(0, 4, "_SM_") == 0) {
    at = major ? 6 : 7;
  } else {
    return Fact::Null();
  }
  if (entry->size() <= at) return Fact::Null();
  return Fact::Number(static_cast<unsigned char>((*entry)[at]));
}

// Windows' BIOS Version is the ACPI root table's OEM id, " - " and its OEM
// revision in hex ("DELL   - 1072009"). The tables are root only.
Fact AcpiVersion(M& m, I) {
  std::optional<std::string> table = m.RootOnlyRaw("/sys/firmware/acpi/tables/XSDT");
  if (!table) table = m.RootOnlyRaw("/sys/firmware/acpi/tables/RSDT");
  if (!table || table->size() < 36) return Fact::Null();
  std::uint32_t revision = 0;
  for (int i = 3; i >= 0; --i) {
    revision = (revision << 8) | static_cast<unsigned char>((*table)[24 + i]);
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "%X", revision);
  return Fact::Text(table->substr(10, 6) + " - " + hex);
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
  static const ClassSchema schema{"Win32_BIOS", InstanceIfDmi, kProperties};
  return schema;
}

}  // namespace hwident
