// Win32_Process: one object per process in /proc, in process-id order.
// Each object's facts come from its /proc/<pid> files as the kernel shows
// them to this user: what it withholds (another user's executable and open
// descriptors) is null, never guessed.
#include <algorithm>
#include <unordered_map>

#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/classes/system/operating_system_name.h"
#include "platform/linux/provider/sources/processes/process_files.h"
#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/values/dmtf_time.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

// The kernel counts process times in USER_HZ ticks, which is 100 a second
// on every architecture Linux runs on today (the value is fixed by the
// ABI, whatever the kernel's own tick rate), so sysconf is not needed.
constexpr std::int64_t kTicksPerSecond = 100;
constexpr std::int64_t kHundredNanosecondsPerTick = 10'000'000 / kTicksPerSecond;
constexpr std::int64_t kMicrosecondsPerTick = 1'000'000 / kTicksPerSecond;

// The audit session id of a process in no login session.
constexpr std::string_view kNoSession = "4294967295";

std::string ProcDirectory(I pid) {
  return "/proc/" + pid;
}

// Every process's stat line, read once per query. The list of processes
// and their stat lines are read one after the other, so a process that
// ends in between has no stat line and is no object.
using ProcessTable = std::unordered_map<std::string, ProcessStat>;

const ProcessTable& Processes(M& m) {
  return m.Derived<ProcessTable>("processes", [&m] {
    ProcessTable table;
    for (const std::string& entry : m.List("/proc")) {
      if (entry.empty() || entry.size() > 7 || entry.front() == '0') continue;
      if (!std::all_of(entry.begin(), entry.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        continue;
      }
      const auto& text = m.Raw(ProcDirectory(entry) + "/stat");
      if (!text) continue;
      auto stat = ParseProcessStat(*text);
      // The line must be this process's own.
      if (!stat || std::to_string(stat->pid) != entry) continue;
      table.emplace(entry, std::move(*stat));
    }
    return table;
  });
}

std::vector<std::string> ProcessIds(M& m) {
  const ProcessTable& table = Processes(m);
  std::vector<std::string> ids;
  ids.reserve(table.size());
  for (const auto& entry : table) ids.push_back(entry.first);
  // Shorter decimal numbers are smaller; none has a leading zero.
  std::sort(ids.begin(), ids.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  return ids;
}

template <typename Read>
Fact WithStat(M& m, I pid, Read read) {
  const ProcessTable& table = Processes(m);
  const auto found = table.find(pid);
  if (found == table.end()) return Fact::Null();
  return read(found->second);
}

// The status file's memory lines, parsed once per process.
const ProcessMemory& Memory(M& m, I pid) {
  const std::string path = ProcDirectory(pid) + "/status";
  return m.Derived<ProcessMemory>(path, [&m, &path] {
    const auto& text = m.Raw(path);
    return text ? ParseProcessMemory(*text) : ProcessMemory{};
  });
}

Fact Kb(const std::optional<std::int64_t>& kb) {
  return kb ? Fact::Number(*kb) : Fact::Null();
}

Fact Bytes(const std::optional<std::int64_t>& kb) {
  return kb ? Fact::Number(*kb * 1024) : Fact::Null();
}

Fact Ticks(std::int64_t ticks) {
  const auto units = CheckedMultiply(ticks, kHundredNanosecondsPerTick);
  return units ? Fact::Number(*units) : Fact::Null();
}

Fact Name(M& m, I pid) {
  return WithStat(m, pid, [](const ProcessStat& s) { return Fact::Text(s.name); });
}

// Kernel threads run no program; for others the kernel gives the path only
// to root and to the process's own user.
Fact ExecutablePath(M& m, I pid) {
  return WithStat(m, pid, [&m, &pid](const ProcessStat& s) {
    if (s.KernelThread()) return Fact::Null();
    return FactFrom(m.ReadLink(ProcDirectory(pid) + "/exe"));
  });
}

Fact CommandLine(M& m, I pid) {
  return WithStat(m, pid, [&m, &pid](const ProcessStat& s) {
    if (s.KernelThread()) return Fact::Null();
    const auto& text = m.Raw(ProcDirectory(pid) + "/cmdline");
    return text ? FactFrom(JoinedCommandLine(*text)) : Fact::Null();
  });
}

// The boot time plus the ticks after boot the process started at.
Fact CreationDate(M& m, I pid) {
  return WithStat(m, pid, [&m](const ProcessStat& s) {
    const auto boot = BootTime(m);
    const auto bootMicroseconds = boot ? DmtfMicroseconds(*boot) : std::nullopt;
    const auto after = CheckedMultiply(s.startTicks, kMicrosecondsPerTick);
    if (!bootMicroseconds || !after) return Fact::Null();
    const auto when = CheckedAdd(*bootMicroseconds, *after);
    if (!when || !DmtfMicroseconds(*when / 1'000'000)) return Fact::Null();
    return Fact::Text(EpochToDmtf(*when, m.Live().UtcOffsetMinutes(*when / 1'000'000)));
  });
}

// The open descriptors; their directory is listable only by root and the
// process's own user. Kernel threads and zombies hold none.
Fact HandleCount(M& m, I pid) {
  return WithStat(m, pid, [&m, &pid](const ProcessStat& s) {
    if (s.KernelThread() || s.state == 'Z') return Fact::Number(0);
    const auto entries = m.Entries(ProcDirectory(pid) + "/fd");
    return entries ? Fact::Number(static_cast<std::int64_t>(entries->size())) : Fact::Null();
  });
}

Fact Priority(M& m, I pid) {
  return WithStat(m, pid, [](const ProcessStat& s) {
    const auto priority = s.policy ? WindowsBasePriority(*s.policy, s.nice) : std::nullopt;
    return priority ? Fact::Number(*priority) : Fact::Null();
  });
}

// Windows numbers the terminal sessions and keeps services in session 0;
// Linux numbers login sessions by their audit session id, and a process in
// none (a service, a kernel thread) carries the unset id, shown as 0.
Fact SessionId(M& m, I pid) {
  return WithStat(m, pid, [&m, &pid](const ProcessStat&) {
    const auto text = m.Text(ProcDirectory(pid) + "/sessionid");
    if (!text) return Fact::Null();
    if (*text == kNoSession) return Fact::Number(0);
    const auto id = ParseDecimalIn(*text, 0, UINT32_MAX);
    return id ? Fact::Number(*id) : Fact::Null();
  });
}

Fact Null(M&, I) {
  return Fact::Null();
}

constexpr PropertySchema kProperties[] = {
    {"Caption", CimType::kString, Name},
    {"CommandLine", CimType::kString, CommandLine},
    {"CreationClassName", CimType::kString, [](M&, I) { return Constant("Win32_Process"); }},
    {"CreationDate", CimType::kDatetime, CreationDate},
    {"CSCreationClassName", CimType::kString,
     [](M&, I) { return Constant("Win32_ComputerSystem"); }},
    {"CSName", CimType::kString, [](M& m, I) { return FactFrom(NetBiosName(m)); }},
    {"Description", CimType::kString, Name},
    {"ExecutablePath", CimType::kString, ExecutablePath},
    {"ExecutionState", CimType::kUint16, Null},
    {"Handle", CimType::kString,
     [](M& m, I pid) {
       return WithStat(m, pid, [&pid](const ProcessStat&) { return Fact::Text(pid); });
     }},
    {"HandleCount", CimType::kUint32, HandleCount},
    {"InstallDate", CimType::kDatetime, Null},
    {"KernelModeTime", CimType::kUint64,
     [](M& m, I pid) {
       return WithStat(m, pid, [](const ProcessStat& s) { return Ticks(s.kernelTicks); });
     }},
    {"MaximumWorkingSetSize", CimType::kUint32, Null},
    {"MinimumWorkingSetSize", CimType::kUint32, Null},
    {"Name", CimType::kString, Name},
    {"OSCreationClassName", CimType::kString,
     [](M&, I) { return Constant("Win32_OperatingSystem"); }},
    {"OSName", CimType::kString, [](M& m, I) { return FactFrom(OperatingSystemName(m)); }},
    {"OtherOperationCount", CimType::kUint64, Null},
    {"OtherTransferCount", CimType::kUint64, Null},
    {"PageFaults", CimType::kUint32,
     [](M& m, I pid) {
       return WithStat(m, pid, [](const ProcessStat& s) {
         return s.pageFaults >= 0 ? Fact::Number(s.pageFaults) : Fact::Null();
       });
     }},
    // Swap is what Linux pages a process's memory out to, as Windows its
    // page file.
    {"PageFileUsage", CimType::kUint32, [](M& m, I pid) { return Kb(Memory(m, pid).swapKb); }},
    {"ParentProcessId", CimType::kUint32,
     [](M& m, I pid) {
       return WithStat(m, pid, [](const ProcessStat& s) { return Fact::Number(s.parent); });
     }},
    {"PeakPageFileUsage", CimType::kUint32, Null},
    {"PeakVirtualSize", CimType::kUint64,
     [](M& m, I pid) { return Bytes(Memory(m, pid).peakVirtualKb); }},
    {"PeakWorkingSetSize", CimType::kUint32,
     [](M& m, I pid) { return Kb(Memory(m, pid).peakResidentKb); }},
    {"Priority", CimType::kUint32, Priority},
    {"PrivatePageCount", CimType::kUint64, Null},
    {"ProcessId", CimType::kUint32,
     [](M& m, I pid) {
       return WithStat(m, pid, [](const ProcessStat& s) { return Fact::Number(s.pid); });
     }},
    {"QuotaNonPagedPoolUsage", CimType::kUint32, Null},
    {"QuotaPagedPoolUsage", CimType::kUint32, Null},
    {"QuotaPeakNonPagedPoolUsage", CimType::kUint32, Null},
    {"QuotaPeakPagedPoolUsage", CimType::kUint32, Null},
    {"ReadOperationCount", CimType::kUint64, Null},
    {"ReadTransferCount", CimType::kUint64, Null},
    {"SessionId", CimType::kUint32, SessionId},
    {"Status", CimType::kString, Null},
    {"TerminationDate", CimType::kDatetime, Null},
    {"ThreadCount", CimType::kUint32,
     [](M& m, I pid) {
       return WithStat(m, pid, [](const ProcessStat& s) { return Fact::Number(s.threads); });
     }},
    {"UserModeTime", CimType::kUint64,
     [](M& m, I pid) {
       return WithStat(m, pid, [](const ProcessStat& s) { return Ticks(s.userTicks); });
     }},
    {"VirtualSize", CimType::kUint64, [](M& m, I pid) { return Bytes(Memory(m, pid).virtualKb); }},
    {"WindowsVersion", CimType::kString, Null},
    {"WorkingSetSize", CimType::kUint64,
     [](M& m, I pid) { return Bytes(Memory(m, pid).residentKb); }},
    {"WriteOperationCount", CimType::kUint64, Null},
    {"WriteTransferCount", CimType::kUint64, Null},
};

}  // namespace

const ClassSchema& ProcessClass() {
  static const ClassSchema schema{"Win32_Process", ProcessIds, kProperties};
  return schema;
}

}  // namespace hwident
