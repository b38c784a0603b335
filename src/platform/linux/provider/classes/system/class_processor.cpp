// Win32_Processor: one object per processor package (socket).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>

#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/firmware/machine_smbios.h"
#include "platform/linux/provider/sources/system/cpu_identity.h"
#include "platform/linux/provider/sources/system/proc_stat.h"
#include "platform/linux/provider/sources/system/processor_caches.h"
#include "platform/linux/provider/sources/system/processor_topology.h"
#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

const std::string kCpuDirectory = "/sys/devices/system/cpu/cpu";

std::vector<std::string> SocketIds(M& m) {
  std::vector<std::string> ids;
  for (const Socket& socket : MachineSockets(m)) ids.push_back(socket.id);
  return ids;
}

// The socket and its first /proc/cpuinfo block, which speaks for the whole
// package (every core of a package reports the same identity).
template <typename Read>
Fact WithSocket(M& m, I id, Read read) {
  const Socket* socket = FindSocket(m, id);
  if (socket == nullptr) return Fact::Null();
  static const CpuInfoBlock kNone;
  return read(*socket, socket->blocks.empty() ? kNone : *socket->blocks.front());
}

Fact Text(const std::optional<std::string>& text) {
  return FactFrom(text);
}

Fact DeviceId(M& m, I id) {
  const std::vector<Socket>& sockets = MachineSockets(m);
  for (std::size_t i = 0; i < sockets.size(); ++i) {
    if (sockets[i].id == id) return Fact::Text("CPU" + std::to_string(i));
  }
  return Fact::Null();
}

const SmbiosStructure* ProcessorStructure(M& m, I id);

// A string of the socket's SMBIOS processor structure (root only).
std::optional<std::string> ProcessorTableString(M& m, I id, std::size_t offset) {
  const SmbiosStructure* s = ProcessorStructure(m, id);
  return s == nullptr ? std::nullopt : s->String(offset);
}

// x86 prints the brand string; 32-bit ARM a "model name". A 64-bit ARM core
// has no name of its own: Windows shows the firmware's, the version string
// of the SMBIOS processor structure ("Ampere(R) Altra(R) Processor"); without
// the table the core's compatible string in the device tree stands in
// ("arm,cortex-a72").
Fact Name(M& m, I id) {
  return WithSocket(m, id, [&m, &id](const Socket&, const CpuInfoBlock& block) {
    if (const auto name = Field(block, "model name")) return Fact::Text(*name);
    if (const auto version = ProcessorTableString(m, id, 0x10)) return Fact::Text(*version);
    for (const std::string& node : m.List("/proc/device-tree/cpus")) {
      if (node.compare(0, 4, "cpu@") != 0) continue;
      return Text(DeviceTreeText(m, "/proc/device-tree/cpus/" + node + "/compatible"));
    }
    return Fact::Null();
  });
}

// x86: the CPUID vendor string. Elsewhere Windows shows the processor maker
// the firmware's SMBIOS structure names, which is the chip's maker where the
// MIDR names the core's designer (Snapdragon: "Qualcomm Technologies Inc"
// over Arm's 0x41); without the table, the MIDR implementer's name.
Fact Manufacturer(M& m, I id) {
  return WithSocket(m, id, [&m, &id](const Socket&, const CpuInfoBlock& block) {
    if (const auto vendor = Field(block, "vendor_id")) return Fact::Text(*vendor);
    if (const auto maker = ProcessorTableString(m, id, 0x07)) return Fact::Text(*maker);
    const auto implementer = Field(block, "CPU implementer");
    return implementer ? Text(ArmImplementer(*implementer)) : Fact::Null();
  });
}

// "Intel64 Family 6 Model 158 Stepping 10", as Windows names an x86 core.
// Windows' text for ARM cores is not known well enough to copy.
Fact Caption(M& m, I id) {
  const std::string architecture = m.Live().Architecture();
  return WithSocket(m, id, [&architecture](const Socket&, const CpuInfoBlock& block) {
    const auto family = Field(block, "cpu family");
    const auto model = Field(block, "model");
    const auto stepping = Field(block, "stepping");
    if (!IsX86(architecture) || !family || !model || !stepping) return Fact::Null();
    std::string prefix = "x86";
    if (Is64Bit(architecture)) {
      prefix = Field(block, "vendor_id").value_or("") == "GenuineIntel" ? "Intel64" : "AMD64";
    }
    return Fact::Text(prefix + " Family " + *family + " Model " + *model + " Stepping " +
                      *stepping);
  });
}

Fact Level(M& m, I id) {
  return WithSocket(m, id, [](const Socket&, const CpuInfoBlock& block) {
    return Text(Field(block, "cpu family"));
  });
}

// Display model in the high byte, stepping in the low one (000206A7 gives
// 10759, as Windows shows it).
Fact Revision(M& m, I id) {
  return WithSocket(m, id, [](const Socket&, const CpuInfoBlock& block) {
    // A display model and a stepping are a byte each.
    const auto model = ParseDecimalIn(Field(block, "model").value_or(""), 0, 255);
    const auto stepping = ParseDecimalIn(Field(block, "stepping").value_or(""), 0, 255);
    if (!model || !stepping || !Field(block, "cpu family")) return Fact::Null();
    return Fact::Number((*model << 8) | *stepping);
  });
}

Fact ProcessorId(M& m, I id) {
  if (!IsX86(m.Live().Architecture())) return Fact::Null();
  return WithSocket(
      m, id, [](const Socket&, const CpuInfoBlock& block) { return Text(X86ProcessorId(block)); });
}

// Windows' PROCESSOR_ARCHITECTURE numbers.
Fact Architecture(M& m, I) {
  const std::string architecture = m.Live().Architecture();
  if (architecture == "x86_64") return Fact::Number(9);
  if (architecture == "aarch64") return Fact::Number(12);
  if (IsX86(architecture)) return Fact::Number(0);
  if (IsArm(architecture)) return Fact::Number(5);
  return Fact::Null();
}

Fact Width(M& m, I) {
  const std::string architecture = m.Live().Architecture();
  if (!IsX86(architecture) && !IsArm(architecture)) return Fact::Null();
  return Fact::Number(Is64Bit(architecture) ? 64 : 32);
}

// Clocks above a terahertz are no clocks; the bound keeps the rounding from
// overflowing.
constexpr std::int64_t kMaxKilohertz = 1'000'000'000;

std::optional<std::int64_t> Megahertz(M& m, int cpu, const char* file) {
  const auto khz = m.Text(kCpuDirectory + std::to_string(cpu) + "/cpufreq/" + file);
  if (!khz) return std::nullopt;
  const auto value = ParseDecimalIn(*khz, 0, kMaxKilohertz);
  if (!value) return std::nullopt;
  return (*value + 500) / 1000;
}

std::optional<std::int64_t> CpuInfoMegahertz(const CpuInfoBlock& block) {
  const auto text = Field(block, "cpu MHz");
  if (!text) return std::nullopt;
  const std::string number = Trim(*text);
  char* end = nullptr;
  const double value = std::strtod(number.c_str(), &end);
  // Written so that NaN fails too; trailing text means it was no number.
  if (end == number.c_str() || *end != '\0' || !(value >= 0 && value <= kMaxKilohertz / 1000)) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>(std::llround(value));
}

// The rated clock: intel_pstate's base frequency, else the highest the
// frequency driver allows, else the clock /proc/cpuinfo shows.
Fact MaxClockSpeed(M& m, I id) {
  return WithSocket(m, id, [&m](const Socket& socket, const CpuInfoBlock& block) {
    auto speed = Megahertz(m, socket.cpus.front(), "base_frequency");
    if (!speed) speed = Megahertz(m, socket.cpus.front(), "cpuinfo_max_freq");
    if (!speed) speed = CpuInfoMegahertz(block);
    return speed ? Fact::Number(*speed) : Fact::Null();
  });
}

Fact CurrentClockSpeed(M& m, I id) {
  return WithSocket(m, id, [&m](const Socket& socket, const CpuInfoBlock& block) {
    auto speed = Megahertz(m, socket.cpus.front(), "scaling_cur_freq");
    if (!speed) speed = CpuInfoMegahertz(block);
    return speed ? Fact::Number(*speed) : Fact::Null();
  });
}

// Cores with a CPU online: the distinct core ids of the socket's online
// CPUs, from /proc/cpuinfo where it gives them, else from sysfs. A core's
// thread siblings share its id, so once one of them is read the others
// are skipped. /proc/cpuinfo's "cpu cores" counts the cores booted, offline
// ones included, so it only stands in when sysfs has no topology.
Fact NumberOfCores(M& m, I id) {
  return WithSocket(m, id, [&m](const Socket& socket, const CpuInfoBlock& block) {
    if (const auto cores = SocketCores(m, socket).cores) return Fact::Number(*cores);
    std::set<std::string> coreIds;
    std::set<int> known;
    for (int cpu : socket.cpus) {
      if (known.count(cpu) != 0) continue;
      const std::string topology = kCpuDirectory + std::to_string(cpu) + "/topology/";
      const auto core = m.Text(topology + "core_id");
      if (!core) {
        if (const auto cores = Field(block, "cpu cores")) return Fact::Text(*cores);
        coreIds.insert(std::to_string(cpu));
        continue;
      }
      coreIds.insert(*core);
      // Only a list naming the CPU itself is believed.
      if (const auto siblings = m.Text(topology + "thread_siblings_list")) {
        const std::vector<int> list = ParseCpuList(*siblings);
        if (std::find(list.begin(), list.end(), cpu) != list.end()) {
          known.insert(list.begin(), list.end());
        }
      }
    }
    return Fact::Number(static_cast<std::int64_t>(coreIds.size()));
  });
}

Fact NumberOfLogicalProcessors(M& m, I id) {
  return WithSocket(m, id, [](const Socket& socket, const CpuInfoBlock&) {
    return Fact::Number(static_cast<std::int64_t>(socket.cpus.size()));
  });
}

Fact CacheSize(M& m, I id, const std::string& level) {
  return WithSocket(m, id, [&m, &level](const Socket& socket, const CpuInfoBlock&) {
    const CacheTotals& totals = SocketCacheTotals(m, socket);
    const auto found = totals.find(level);
    return found != totals.end() && found->second ? Fact::Number(*found->second) : Fact::Null();
  });
}

// The kernel shows vmx or svm only when the firmware leaves the extension
// enabled (it clears the flag for a locked-off VMX).
Fact VirtualizationFirmwareEnabled(M& m, I id) {
  if (!IsX86(m.Live().Architecture())) return Fact::Null();
  return WithSocket(m, id, [](const Socket&, const CpuInfoBlock& block) {
    const auto flags = Field(block, "flags");
    if (!flags) return Fact::Null();
    const std::string padded = " " + *flags + " ";
    return Fact::Flag(padded.find(" vmx ") != std::string::npos ||
                      padded.find(" svm ") != std::string::npos);
  });
}

// Stepping, version and load.

// What Windows means: the share of time the package's CPUs were busy over
// about the last second. Linux keeps only tick counters, so the provider
// reads /proc/stat twice, a second apart; a shorter interval would show a
// single CPU in steps of 10 % or worse (the counters move in 10 ms ticks).
// Only a run that prints LoadPercentage waits, once per query however many
// sockets it has.
constexpr int kLoadIntervalMs = 1000;

Fact LoadPercentage(M& m, I id) {
  const Socket* socket = FindSocket(m, id);
  if (socket == nullptr) return Fact::Null();
  const auto& before = m.Raw("/proc/stat");
  const auto& after = m.RawLater("/proc/stat", kLoadIntervalMs);
  if (!before || !after) return Fact::Null();
  const auto load = LoadPercent(ParseCpuTimes(*before), ParseCpuTimes(*after), socket->cpus);
  return load ? Fact::Number(*load) : Fact::Null();
}

Fact Stepping(M& m, I id) {
  return WithSocket(m, id, [](const Socket&, const CpuInfoBlock& block) {
    if (const auto stepping = Field(block, "stepping")) return Fact::Text(*stepping);
    // ARM's variant.revision: the revision is the stepping within a part.
    return Text(Field(block, "CPU revision"));
  });
}

// "Model 2, Stepping 12", the form Microsoft documents for x86.
Fact Version(M& m, I id) {
  if (!IsX86(m.Live().Architecture())) return Fact::Null();
  return WithSocket(m, id, [](const Socket&, const CpuInfoBlock& block) {
    const auto model = Field(block, "model");
    const auto stepping = Field(block, "stepping");
    if (!model || !stepping) return Fact::Null();
    return Fact::Text("Model " + *model + ", Stepping " + *stepping);
  });
}

// --- From the raw SMBIOS table (root only) ---

// The type-4 structure of the socket: the n-th socket the kernel shows is
// the n-th populated socket of the table (status bit 6); empty sockets are
// listed by the firmware but hold no processor the kernel could show.
const SmbiosStructure* ProcessorStructure(M& m, I id) {
  const SmbiosTable* table = ReadSmbios(m);
  if (table == nullptr) return nullptr;
  std::vector<const SmbiosStructure*> populated;
  for (const SmbiosStructure* s : table->OfType(4, smbios_minimum::kProcessor)) {
    if ((s->Byte(0x18).value_or(0) & 0x40) != 0) populated.push_back(s);
  }
  const std::vector<std::string> ids = SocketIds(m);
  for (std::size_t i = 0; i < ids.size() && i < populated.size(); ++i) {
    if (ids[i] == id) return populated[i];
  }
  return nullptr;
}

template <typename Read>
Fact WithProcessorStructure(M& m, I id, Read read) {
  const SmbiosStructure* s = ProcessorStructure(m, id);
  return s == nullptr ? Fact::Null() : read(*s);
}

template <std::size_t offset>
Fact ProcessorString(M& m, I id) {
  return WithProcessorStructure(
      m, id, [](const SmbiosStructure& s) { return FactFrom(s.String(offset)); });
}

// FEh hands the family over to the 16-bit field of SMBIOS 2.6.
Fact Family(M& m, I id) {
  return WithProcessorStructure(m, id, [](const SmbiosStructure& s) {
    const auto family = s.Byte(0x06);
    if (family == 0xFE) {
      const auto wide = s.Word(0x28);
      return wide ? Fact::Number(*wide) : Fact::Null();
    }
    return family ? Fact::Number(*family) : Fact::Null();
  });
}

// External clock in MHz; 0 is "unknown".
Fact ExtClock(M& m, I id) {
  return WithProcessorStructure(m, id, [](const SmbiosStructure& s) {
    const auto clock = s.Word(0x12);
    return clock && *clock != 0 ? Fact::Number(*clock) : Fact::Null();
  });
}

Fact UpgradeMethod(M& m, I id) {
  return WithProcessorStructure(m, id, [](const SmbiosStructure& s) {
    const auto method = s.Byte(0x19);
    return method ? Fact::Number(*method) : Fact::Null();
  });
}

// The voltage byte has two forms: bit 7 set, the present voltage in tenths
// of a volt; clear, the legacy set of supported voltages (5 V, 3.3 V,
// 2.9 V in bits 0-2), which is what VoltageCaps holds.
Fact CurrentVoltage(M& m, I id) {
  return WithProcessorStructure(m, id, [](const SmbiosStructure& s) {
    const auto voltage = s.Byte(0x11);
    if (!voltage || (*voltage & 0x80) == 0) return Fact::Null();
    return Fact::Number(*voltage & 0x7F);
  });
}

Fact VoltageCaps(M& m, I id) {
  return WithProcessorStructure(m, id, [](const SmbiosStructure& s) {
    const auto voltage = s.Byte(0x11);
    if (!voltage || (*voltage & 0x80) != 0 || (*voltage & 0x07) == 0) return Fact::Null();
    return Fact::Number(*voltage & 0x07);
  });
}

// --- end of the SMBIOS readers ---

constexpr PropertySchema kProperties[] = {
    {"AddressWidth", CimType::kUint16, Width},
    {"Architecture", CimType::kUint16, Architecture},
    {"Caption", CimType::kString, Caption},
    // 1: CPU enabled; a package the kernel lists is in use.
    {"CpuStatus", CimType::kUint16, [](M&, I) { return Constant("1"); }},
    {"CurrentClockSpeed", CimType::kUint32, CurrentClockSpeed},
    {"DataWidth", CimType::kUint16, Width},
    {"Description", CimType::kString, Caption},
    {"DeviceID", CimType::kString, DeviceId},
    {"L2CacheSize", CimType::kUint32, [](M& m, I id) { return CacheSize(m, id, "2"); }},
    {"L3CacheSize", CimType::kUint32, [](M& m, I id) { return CacheSize(m, id, "3"); }},
    {"Level", CimType::kUint16, Level},
    {"Manufacturer", CimType::kString, Manufacturer},
    {"MaxClockSpeed", CimType::kUint32, MaxClockSpeed},
    {"Name", CimType::kString, Name},
    {"NumberOfCores", CimType::kUint32, NumberOfCores},
    {"NumberOfLogicalProcessors", CimType::kUint32, NumberOfLogicalProcessors},
    {"ProcessorId", CimType::kString, ProcessorId},
    // 3: central processor.
    {"ProcessorType", CimType::kUint16, [](M&, I) { return Constant("3"); }},
    {"Revision", CimType::kUint16, Revision},
    {"VirtualizationFirmwareEnabled", CimType::kBoolean, VirtualizationFirmwareEnabled},
    // Load, enabled cores and threads, stepping and version. Linux lists
    // only the cores in use, so the enabled ones are all it counts.
    {"LoadPercentage", CimType::kUint16, LoadPercentage},
    {"NumberOfEnabledCore", CimType::kUint32, NumberOfCores},
    {"Stepping", CimType::kString, Stepping},
    {"ThreadCount", CimType::kUint32, NumberOfLogicalProcessors},
    {"Version", CimType::kString, Version},
    // From the raw SMBIOS table (root only).
    {"AssetTag", CimType::kString, ProcessorString<0x21>},
    {"CurrentVoltage", CimType::kUint16, CurrentVoltage},
    {"ExtClock", CimType::kUint32, ExtClock},
    {"Family", CimType::kUint16, Family},
    {"PartNumber", CimType::kString, ProcessorString<0x22>},
    {"SerialNumber", CimType::kString, ProcessorString<0x20>},
    {"SocketDesignation", CimType::kString, ProcessorString<0x04>},
    {"UpgradeMethod", CimType::kUint16, UpgradeMethod},
    {"VoltageCaps", CimType::kUint32, VoltageCaps},
};

}  // namespace

const ClassSchema& ProcessorClass() {
  static const ClassSchema schema{"Win32_Processor", SocketIds, kProperties};
  return schema;
}

}  // namespace hwident
