// Win32_Process: one object per process in /proc, in process-id order.
// Each object's facts come from its /proc/<pid> files as the kernel shows
// them to this user: what it withholds (another user's executable and open
// descriptors) is null, never guessed.
#include <algorithm>
#include <string_view>
#include <vector>

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

// Shorter decimal numbers are smaller; none has a leading zero.
bool IdBefore(std::string_view a, std::string_view b) {
  return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// One process: its stat line, read when the query lists the processes, and
// its status file's memory lines, read the first time a property asks.
// Each of its other files is read by one property alone, once per object,
// so none is kept: on a machine of tens of thousands of processes keeping
// them would only cost memory.
struct ProcessEntry {
  std::string id;  // the directory's name
  ProcessStat stat;
  mutable std::optional<ProcessMemory> memory;
};

// Every process's stat line, read once per query, in process-id order. The
// list of processes and their stat lines are read one after the other, so
// a process that ends in between has no stat line and is no object.
struct ProcessTable {
  std::vector<ProcessEntry> processes;
  // The last process found: an object's properties all ask for the same
  // one, and objects are read in table order.
  mutable std::size_t last = 0;

  const ProcessEntry* Find(std::string_view id) const {
    if (last < processes.size() && processes[last].id == id) return &processes[last];
    if (last + 1 < processes.size() && processes[last + 1].id == id) {
      return &processes[++last];
    }
    const auto found = std::lower_bound(
        processes.begin(), processes.end(), id,
        [](const ProcessEntry& entry, std::string_view key) { return IdBefore(entry.id, key); });
    if (found == processes.end() || found->id != id) return nullptr;
    last = static_cast<std::size_t>(found - processes.begin());
    return &*found;
  }
};

const ProcessTable& Processes(M& m) {
  return m.Derived<ProcessTable>("processes", [&m] {
    ProcessTable table;
    for (std::string& entry : m.List("/proc")) {
      if (entry.empty() || entry.size() > 7 || entry.front() == '0') continue;
      if (!std::all_of(entry.begin(), entry.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        continue;
      }
      const auto text = m.ReadOnce(ProcDirectory(entry) + "/stat");
      if (!text) continue;
      auto stat = ParseProcessStat(*text);
      // The line must be this process's own.
      if (!stat || std::to_string(stat->pid) != entry) continue;
      table.processes.push_back({std::move(entry), std::move(*stat), std::nullopt});
    }
    std::sort(table.processes.begin(), table.processes.end(),
              [](const ProcessEntry& a, const ProcessEntry& b) { return a.stat.pid < b.stat.pid; });
    return table;
  });
}

std::vector<std::string> ProcessIds(M& m) {
  const ProcessTable& table = Processes(m);
  std::vector<std::string> ids;
  ids.reserve(table.processes.size());
  for (const ProcessEntry& entry : table.processes) ids.push_back(entry.id);
  return ids;
}

template <typename Read>
Fact WithStat(M& m, I pid, Read read) {
  const ProcessEntry* entry = Processes(m).Find(pid);
  if (entry == nullptr) return Fact::Null();
  return read(entry->stat);
}

// The status file's memory lines, parsed once per process.
template <typename Read>
Fact WithMemory(M& m, I pid, Read read) {
  const ProcessEntry* entry = Processes(m).Find(pid);
  if (entry == nullptr) return Fact::Null();
  if (!entry->memory) {
    const auto text = m.ReadOnce(ProcDirectory(pid) + "/status");
    entry->memory = text ? ParseProcessMemory(*text) : ProcessMemory{};
  }
  return read(*entry->memory);
}

// What every object of a query shares, worked out once per query (each
// only when printed) rather than once per process.
const std::optional<std::string>& ComputerName(M& m) {
  return m.Derived<std::optional<std::string>>("process-computer-name",
                                               [&m] { return NetBiosName(m); });
}

const std::optional<std::string>& SystemName(M& m) {
  return m.Derived<std::optional<std::string>>("process-system-name",
                                               [&m] { return OperatingSystemName(m); });
}

const std::optional<std::int64_t>& BootMicroseconds(M& m) {
  return m.Derived<std::optional<std::int64_t>>("process-boot", [&m] {
    const auto boot = BootTime(m);
    return boot ? DmtfMicroseconds(*boot) : std::nullopt;
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
    const auto text = m.ReadOnce(ProcDirectory(pid) + "/cmdline");
    return text ? FactFrom(JoinedCommandLine(*text)) : Fact::Null();
  });
}

// The boot time plus the ticks after boot the process started at.
Fact CreationDate(M& m, I pid) {
  return WithStat(m, pid, [&m](const ProcessStat& s) {
    const auto& bootMicroseconds = BootMicroseconds(m);
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
    auto text = m.ReadOnce(ProcDirectory(pid) + "/sessionid");
    if (!text) return Fact::Null();
    if (!text->empty() && text->back() == '\n') text->pop_back();
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
    {"CSName", CimType::kString, [](M& m, I) { return FactFrom(ComputerName(m)); }},
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
    {"OSName", CimType::kString, [](M& m, I) { return FactFrom(SystemName(m)); }},
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
    {"PageFileUsage", CimType::kUint32,
     [](M& m, I pid) {
       return WithMemory(m, pid, [](const ProcessMemory& v) { return Kb(v.swapKb); });
     }},
    {"ParentProcessId", CimType::kUint32,
     [](M& m, I pid) {
       return WithStat(m, pid, [](const ProcessStat& s) { return Fact::Number(s.parent); });
     }},
    {"PeakPageFileUsage", CimType::kUint32, Null},
    {"PeakVirtualSize", CimType::kUint64,
     [](M& m, I pid) {
       return WithMemory(m, pid, [](const ProcessMemory& v) { return Bytes(v.peakVirtualKb); });
     }},
    {"PeakWorkingSetSize", CimType::kUint32,
     [](M& m, I pid) {
       return WithMemory(m, pid, [](const ProcessMemory& v) { return Kb(v.peakResidentKb); });
     }},
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
    {"VirtualSize", CimType::kUint64,
     [](M& m, I pid) {
       return WithMemory(m, pid, [](const ProcessMemory& v) { return Bytes(v.virtualKb); });
     }},
    {"WindowsVersion", CimType::kString, Null},
    {"WorkingSetSize", CimType::kUint64,
     [](M& m, I pid) {
       return WithMemory(m, pid, [](const ProcessMemory& v) { return Bytes(v.residentKb); });
     }},
    {"WriteOperationCount", CimType::kUint64, Null},
    {"WriteTransferCount", CimType::kUint64, Null},
};

}  // namespace

const ClassSchema& ProcessClass() {
  static const ClassSchema schema{"Win32_Process", ProcessIds, kProperties};
  return schema;
}

}  // namespace hwident
