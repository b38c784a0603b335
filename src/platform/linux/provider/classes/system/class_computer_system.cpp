// Win32_ComputerSystem: the machine as a whole.
#include "platform/linux/provider/classes/firmware/smbios_facts.h"
#include "platform/linux/provider/classes/provider_classes.h"

#include <set>
#include <sstream>

#include "platform/linux/provider/sources/sharing/samba_config.h"
#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/sources/system/processor_topology.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

Fact Model(M& m, I) {
  if (const auto name = m.Dmi("product_name")) return Fact::Text(*name);
  // Boards without DMI (ARM, RISC-V) name themselves in the device tree.
  return FactFrom(DeviceTreeText(m, "/proc/device-tree/model"));
}

Fact SystemType(M& m, I) {
  const std::string machine = m.Live().Architecture();
  if (machine == "x86_64") return Fact::Text("x64-based PC");
  if (machine.size() == 4 && machine[0] == 'i' && machine.substr(2) == "86") {
    return Fact::Text("X86-based PC");
  }
  if (machine == "aarch64") return Fact::Text("ARM64-based PC");
  // No Windows text exists for other architectures; inventing one would lie.
  return Fact::Null();
}

Fact NumberOfProcessors(M& m, I) {
  const std::vector<Socket>& sockets = MachineSockets(m);
  if (sockets.empty()) return Fact::Null();
  return Fact::Number(static_cast<std::int64_t>(sockets.size()));
}

Fact NumberOfLogicalProcessors(M& m, I) {
  const auto count = OnlineCpuCount(m, ReadCpuInfo(m));
  return count ? Fact::Number(*count) : Fact::Null();
}

Fact TotalPhysicalMemory(M& m, I) {
  const auto kb = MemInfoKb(m, "MemTotal");
  return kb ? Fact::Text(std::to_string(*kb * 1024)) : Fact::Null();
}

// The NIS domain when one is set, else the DNS domain the host name carries.
std::optional<std::string> DomainName(M& m) {
  const auto nis = m.Text("/proc/sys/kernel/domainname");
  if (nis && !nis->empty() && *nis != "(none)") return nis;
  const auto host = HostName(m);
  if (host && host->find('.') != std::string::npos) return host->substr(host->find('.') + 1);
  return std::nullopt;
}

Fact Domain(M& m, I) {
  return FactFrom(DomainName(m));
}

Fact HypervisorFlag(M& m, I) {
  const auto present = HypervisorPresent(m, ReadCpuInfo(m));
  return present ? Fact::Flag(*present) : Fact::Null();
}

// The user of the active session on seat0, as logind records it; Windows
// names the console user as HOST\user and gives null when there is none.
Fact UserName(M& m, I) {
  const auto seat = m.Raw("/run/systemd/seats/seat0");
  if (!seat) return Fact::Null();
  const std::string key = "ACTIVE=";
  const std::size_t at = seat->find("\n" + key);
  const std::size_t start = seat->compare(0, key.size(), key) == 0 ? key.size()
                            : at == std::string::npos              ? std::string::npos
                                                                   : at + 1 + key.size();
  if (start == std::string::npos) return Fact::Null();
  const std::string session = seat->substr(start, seat->find('\n', start) - start);
  if (session.empty() || session.find('/') != std::string::npos) return Fact::Null();
  const auto record = m.Raw("/run/systemd/sessions/" + session);
  if (!record) return Fact::Null();
  const std::size_t user = record->find("\nUSER=");
  if (user == std::string::npos) return Fact::Null();
  const std::size_t begin = user + 6;
  const std::string name = record->substr(begin, record->find('\n', begin) - begin);
  const auto host = NetBiosName(m);
  if (name.empty() || !host) return Fact::Null();
  return Fact::Text(*host + "\\" + name);
}

Fact CurrentTimeZone(M& m, I) {
  const std::int64_t now = m.Live().NowMicroseconds() / 1000000;
  return Fact::Number(m.Live().UtcOffsetMinutes(now));
}

Fact DaylightInEffect(M& m, I) {
  return Fact::Flag(m.Live().DaylightSaving(m.Live().NowMicroseconds() / 1000000));
}

// ACPI's preferred power-management profile uses the same numbering as
// PCSystemType (1 desktop, 2 mobile, 4 enterprise server...).
Fact PCSystemType(M& m, I) {
  return FactFrom(m.Text("/sys/firmware/acpi/pm_profile"));
}

// Boot state and workgroup.

// Windows' fail-safe boot is Linux's rescue or emergency boot, which the
// kernel command line asks for.
Fact BootupState(M& m, I) {
  const auto cmdline = m.Text("/proc/cmdline");
  if (!cmdline) return Fact::Null();
  std::istringstream words(*cmdline);
  std::string word;
  while (words >> word) {
    if (word == "single" || word == "S" || word == "1" || word == "emergency" || word == "rescue" ||
        word == "systemd.unit=rescue.target" || word == "systemd.unit=emergency.target") {
      return Constant("Fail-safe boot");
    }
  }
  return Constant("Normal boot");
}

// The NetBIOS workgroup Samba is set to join ([global] workgroup, upper-
// cased as NetBIOS names are; Samba's own default when the file names
// none); null without Samba.
Fact Workgroup(M& m, I) {
  const std::optional<SambaConfig>& config = MachineSambaConfig(m);
  if (!config) return Fact::Null();
  const SambaSection* global = FindSambaSection(*config, "global");
  const auto value = global ? SambaParameter(*global, "workgroup") : std::nullopt;
  if (!value) return Constant("WORKGROUP");
  return value->empty() ? Fact::Null() : Fact::Text(ToUpper(*value));
}

constexpr PropertySchema kProperties[] = {
    {"Caption", CimType::kString, [](M& m, I) { return FactFrom(NetBiosName(m)); }},
    {"CurrentTimeZone", CimType::kSint16, CurrentTimeZone},
    {"DaylightInEffect", CimType::kBoolean, DaylightInEffect},
    {"Description", CimType::kString, [](M&, I) { return Constant("AT/AT COMPATIBLE"); }},
    {"DNSHostName", CimType::kString, [](M& m, I) { return FactFrom(HostName(m)); }},
    {"Domain", CimType::kString, Domain},
    // A Linux host joined to a Windows domain leaves no trace in the sources
    // read here, so the machine is reported as standing alone.
    {"DomainRole", CimType::kUint16, [](M&, I) { return Constant("0"); }},
    {"HypervisorPresent", CimType::kBoolean, HypervisorFlag},
    {"Manufacturer", CimType::kString, [](M& m, I) { return FactFrom(m.Dmi("sys_vendor")); }},
    {"Model", CimType::kString, Model},
    {"Name", CimType::kString, [](M& m, I) { return FactFrom(NetBiosName(m)); }},
    {"NumberOfLogicalProcessors", CimType::kUint32, NumberOfLogicalProcessors},
    {"NumberOfProcessors", CimType::kUint32, NumberOfProcessors},
    {"PartOfDomain", CimType::kBoolean, [](M&, I) { return Fact::Flag(false); }},
    {"PCSystemType", CimType::kUint16, PCSystemType},
    {"Status", CimType::kString, [](M&, I) { return Constant("OK"); }},
    {"SystemFamily", CimType::kString, [](M& m, I) { return FactFrom(m.Dmi("product_family")); }},
    {"SystemSKUNumber", CimType::kString, [](M& m, I) { return FactFrom(m.Dmi("product_sku")); }},
    {"SystemType", CimType::kString, SystemType},
    {"TotalPhysicalMemory", CimType::kUint64, TotalPhysicalMemory},
    {"UserName", CimType::kString, UserName},
    // Boot state and workgroup.
    {"BootupState", CimType::kString, BootupState},
    {"Workgroup", CimType::kString, Workgroup},
    // From the raw SMBIOS table (root only): the system (type 1), the
    // chassis (type 3) and the OEM strings (type 11).
    {"ChassisBootupState", CimType::kUint16,
     [](M& m, I) { return SmbiosByte(m, 3, smbios_minimum::kEnclosure, 0x09); }},
    {"OEMStringArray", CimType::kStringArray,
     [](M& m, I) { return SmbiosStringList(m, 11, smbios_minimum::kOemStrings); }},
    {"PowerSupplyState", CimType::kUint16,
     [](M& m, I) { return SmbiosByte(m, 3, smbios_minimum::kEnclosure, 0x0A); }},
    {"ThermalState", CimType::kUint16,
     [](M& m, I) { return SmbiosByte(m, 3, smbios_minimum::kEnclosure, 0x0B); }},
    {"WakeUpType", CimType::kUint16,
     [](M& m, I) { return SmbiosByte(m, 1, smbios_minimum::kSystem, 0x18); }},
};

}  // namespace

const ClassSchema& ComputerSystemClass() {
  static const ClassSchema schema{"Win32_ComputerSystem", SingleInstance, kProperties};
  return schema;
}

}  // namespace hwident
