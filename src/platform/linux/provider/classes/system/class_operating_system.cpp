// Win32_OperatingSystem: the running Linux system, in its own terms. Where
// Windows has a value Linux has no counterpart for, the property is left
// out rather than filled with a Windows-looking stand-in.
#include <cctype>
#include <sstream>

#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/classes/system/operating_system_name.h"
#include "platform/linux/provider/sources/system/cpu_identity.h"
#include "platform/linux/provider/sources/system/locale_id.h"
#include "platform/linux/provider/sources/system/pci_function.h"
#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/values/dmtf_time.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

Fact Kb(const std::optional<std::uint64_t>& value) {
  return value ? Fact::Text(std::to_string(*value)) : Fact::Null();
}

Fact KbSum(const std::optional<std::uint64_t>& left, const std::optional<std::uint64_t>& right) {
  if (!left || !right) return Fact::Null();
  return Fact::Text(std::to_string(*left + *right));
}

// MemAvailable is what Linux can hand out without swapping; kernels before
// 3.14 lack it and MemFree stands in.
std::optional<std::uint64_t> AvailableKb(M& m) {
  const auto available = MemInfoKb(m, "MemAvailable");
  return available ? available : MemInfoKb(m, "MemFree");
}

std::string LocalDmtf(M& m, std::int64_t epochMicroseconds) {
  return EpochToDmtf(epochMicroseconds, m.Live().UtcOffsetMinutes(epochMicroseconds / 1000000));
}

Fact LastBootUpTime(M& m, I) {
  const auto seconds = BootTime(m);
  const auto when = seconds ? DmtfMicroseconds(*seconds) : std::nullopt;
  return when ? Fact::Text(LocalDmtf(m, *when)) : Fact::Null();
}

Fact InstallDate(M& m, I) {
  const auto seconds = m.Live().InstallTime();
  const auto when = seconds ? DmtfMicroseconds(*seconds) : std::nullopt;
  return when ? Fact::Text(LocalDmtf(m, *when)) : Fact::Null();
}

Fact OsArchitecture(M& m, I) {
  const std::string architecture = m.Live().Architecture();
  if (architecture.empty()) return Fact::Null();
  return Constant(Is64Bit(architecture) ? "64-bit" : "32-bit");
}

// os-release has no build number; a distribution's BUILD_ID is the nearest,
// its VERSION_ID the fallback.
Fact BuildNumber(M& m, I) {
  if (const auto build = OsRelease(m, "BUILD_ID")) return Fact::Text(*build);
  return FactFrom(OsRelease(m, "VERSION_ID"));
}

Fact Manufacturer(M& m, I) {
  if (const auto vendor = OsRelease(m, "VENDOR_NAME")) return Fact::Text(*vendor);
  return FactFrom(OsRelease(m, "NAME"));
}

// Name, language and locale, process and user counts.

Fact Locale(M& m, I) {
  const auto name = SystemLocaleName(m);
  const auto id = name ? LocaleIdOf(*name) : std::nullopt;
  if (!id) return Fact::Null();
  // Four hex digits, as Windows' locale settings write them ("0409").
  std::string text = HexDigits(*id, 4);
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return Fact::Text(text);
}

Fact OsLanguage(M& m, I) {
  const auto name = SystemLocaleName(m);
  const auto id = name ? LocaleIdOf(*name) : std::nullopt;
  return id ? Fact::Number(*id) : Fact::Null();
}

Fact NumberOfProcesses(M& m, I) {
  std::int64_t count = 0;
  for (const std::string& entry : m.List("/proc")) {
    if (ParseDecimal(entry)) ++count;
  }
  return count > 0 ? Fact::Number(count) : Fact::Null();
}

// The sessions logind keeps, as Windows counts the sessions it holds state
// for; null on a system without logind.
Fact NumberOfUsers(M& m, I) {
  if (!m.Exists("/run/systemd/sessions")) return Fact::Null();
  std::int64_t count = 0;
  for (const std::string& entry : m.List("/run/systemd/sessions")) {
    if (entry.find('.') == std::string::npos) ++count;
  }
  return Fact::Number(count);
}

constexpr PropertySchema kProperties[] = {
    {"BuildNumber", CimType::kString, BuildNumber},
    {"Caption", CimType::kString, [](M& m, I) { return FactFrom(OsRelease(m, "PRETTY_NAME")); }},
    {"CSName", CimType::kString, [](M& m, I) { return FactFrom(NetBiosName(m)); }},
    {"CurrentTimeZone", CimType::kSint16,
     [](M& m, I) {
       return Fact::Number(m.Live().UtcOffsetMinutes(m.Live().NowMicroseconds() / 1000000));
     }},
    {"FreePhysicalMemory", CimType::kUint64, [](M& m, I) { return Kb(AvailableKb(m)); }},
    {"FreeSpaceInPagingFiles", CimType::kUint64,
     [](M& m, I) { return Kb(MemInfoKb(m, "SwapFree")); }},
    {"FreeVirtualMemory", CimType::kUint64,
     [](M& m, I) { return KbSum(AvailableKb(m), MemInfoKb(m, "SwapFree")); }},
    {"InstallDate", CimType::kDatetime, InstallDate},
    {"LastBootUpTime", CimType::kDatetime, LastBootUpTime},
    {"LocalDateTime", CimType::kDatetime,
     [](M& m, I) { return Fact::Text(LocalDmtf(m, m.Live().NowMicroseconds())); }},
    {"Manufacturer", CimType::kString, Manufacturer},
    {"OSArchitecture", CimType::kString, OsArchitecture},
    // The CIM numbering has its own value for Linux (36), not Windows' 18.
    {"OSType", CimType::kUint16, [](M&, I) { return Constant("36"); }},
    {"Primary", CimType::kBoolean, [](M&, I) { return Fact::Flag(true); }},
    // The machine id stands where Windows shows its product id: both name
    // this installation.
    {"SerialNumber", CimType::kString, [](M& m, I) { return FactFrom(m.Text("/etc/machine-id")); }},
    {"SizeStoredInPagingFiles", CimType::kUint64,
     [](M& m, I) { return Kb(MemInfoKb(m, "SwapTotal")); }},
    {"Status", CimType::kString, [](M&, I) { return Constant("OK"); }},
    {"TotalVirtualMemorySize", CimType::kUint64,
     [](M& m, I) { return KbSum(MemInfoKb(m, "MemTotal"), MemInfoKb(m, "SwapTotal")); }},
    {"TotalVisibleMemorySize", CimType::kUint64,
     [](M& m, I) { return Kb(MemInfoKb(m, "MemTotal")); }},
    {"Version", CimType::kString,
     [](M& m, I) { return FactFrom(m.Text("/proc/sys/kernel/osrelease")); }},
    // Name, language and locale, process and user counts.
    {"Locale", CimType::kString, Locale},
    {"Name", CimType::kString, [](M& m, I) { return FactFrom(OperatingSystemName(m)); }},
    {"NumberOfProcesses", CimType::kUint32, NumberOfProcesses},
    {"NumberOfUsers", CimType::kUint32, NumberOfUsers},
    {"OSLanguage", CimType::kUint32, OsLanguage},
};

}  // namespace

// Windows joins the caption, the system directory and the boot partition
// with bars; here the caption, "/" and the device mounted there.
std::optional<std::string> OperatingSystemName(Machine& m) {
  const auto caption = OsRelease(m, "PRETTY_NAME");
  const auto& mounts = m.Raw("/proc/self/mountinfo");
  if (!caption || !mounts) return std::nullopt;
  std::istringstream lines(*mounts);
  std::string line;
  while (std::getline(lines, line)) {
    // id parent major:minor root mount-point options [optional...] - type source ...
    std::istringstream fields(line);
    std::string id, parent, numbers, root, point, field;
    fields >> id >> parent >> numbers >> root >> point;
    if (point != "/") continue;
    while (fields >> field && field != "-") {
    }
    std::string type, source;
    if (!(fields >> type >> source)) continue;
    return *caption + "|/|" + source;
  }
  return std::nullopt;
}

const ClassSchema& OperatingSystemClass() {
  static const ClassSchema schema{"Win32_OperatingSystem", SingleInstance, kProperties};
  return schema;
}

}  // namespace hwident
