#include "platform/linux/provider/sources/processes/process_files.h"

#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

// The stat fields after the name, split at single spaces as the kernel
// writes them; field 3 (the state) is the first. Views into the line, kept
// on the stack: one process's line is split per process of a query.
struct StatFields {
  static constexpr std::size_t kMost = 64;
  std::string_view field[kMost];
  std::size_t count = 0;
};

StatFields FieldsAfterName(std::string_view rest) {
  StatFields fields;
  while (!rest.empty() && fields.count < StatFields::kMost) {
    const std::size_t space = rest.find(' ');
    const std::string_view field = rest.substr(0, space);
    if (!field.empty()) fields.field[fields.count++] = field;
    if (space == std::string_view::npos) break;
    rest.remove_prefix(space + 1);
  }
  return fields;
}

constexpr std::int64_t kMaxCount = INT64_MAX;

}  // namespace

std::optional<ProcessStat> ParseProcessStat(std::string_view text) {
  const std::size_t open = text.find('(');
  const std::size_t close = text.rfind(')');
  if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
    return std::nullopt;
  }
  ProcessStat stat;
  const auto pid = ParseDecimalIn(text.substr(0, open == 0 ? 0 : open - 1), 0, kMaxProcessId);
  if (!pid || open == 0 || text[open - 1] != ' ') return std::nullopt;
  stat.pid = *pid;
  stat.name = std::string(text.substr(open + 1, close - open - 1));
  std::string_view rest = text.substr(close + 1);
  while (!rest.empty() && (rest.back() == '\n')) rest.remove_suffix(1);
  const StatFields split = FieldsAfterName(rest);
  const std::string_view* f = split.field;
  // f[0] is field 3 of proc(5), so field N is f[N - 3].
  const auto field = [&split, f](std::size_t n, std::int64_t low, std::int64_t high) {
    return n - 3 < split.count ? ParseDecimalIn(f[n - 3], low, high) : std::nullopt;
  };
  if (split.count < 20 || f[0].size() != 1) return std::nullopt;
  stat.state = f[0][0];
  const auto parent = field(4, 0, kMaxProcessId);
  const auto flags = field(9, 0, UINT32_MAX);
  const auto minor = field(10, 0, kMaxCount);
  const auto major = field(12, 0, kMaxCount);
  const auto user = field(14, 0, kMaxCount);
  const auto kernel = field(15, 0, kMaxCount);
  const auto nice = field(19, -20, 19);
  const auto threads = field(20, 0, kMaxCount);
  const auto start = field(22, 0, kMaxCount);
  if (!parent || !flags || !minor || !major || !user || !kernel || !nice || !threads || !start) {
    return std::nullopt;
  }
  stat.parent = *parent;
  stat.flags = static_cast<std::uint64_t>(*flags);
  const auto faults = CheckedAdd(*minor, *major);
  stat.pageFaults = faults.value_or(-1);
  stat.userTicks = *user;
  stat.kernelTicks = *kernel;
  stat.nice = *nice;
  stat.threads = *threads;
  stat.startTicks = *start;
  stat.policy = field(41, 0, 255);
  return stat;
}

ProcessMemory ParseProcessMemory(std::string_view status) {
  ProcessMemory memory;
  while (!status.empty()) {
    const std::size_t end = status.find('\n');
    std::string_view line = status.substr(0, end);
    status.remove_prefix(end == std::string_view::npos ? status.size() : end + 1);
    if (line.size() < 3 || line.substr(0, 2) != "Vm") continue;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, colon);
    std::optional<std::int64_t>* slot = key == "VmPeak"   ? &memory.peakVirtualKb
                                        : key == "VmSize" ? &memory.virtualKb
                                        : key == "VmHWM"  ? &memory.peakResidentKb
                                        : key == "VmRSS"  ? &memory.residentKb
                                        : key == "VmSwap" ? &memory.swapKb
                                                          : nullptr;
    if (slot == nullptr) continue;
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
      value.remove_prefix(1);
    }
    if (value.size() < 3 || value.substr(value.size() - 3) != " kB") continue;
    // At most what a byte count can still hold.
    *slot = ParseDecimalIn(value.substr(0, value.size() - 3), 0, INT64_MAX / 1024);
  }
  return memory;
}

std::optional<std::string> JoinedCommandLine(std::string_view cmdline) {
  while (!cmdline.empty() && cmdline.back() == '\0') cmdline.remove_suffix(1);
  if (cmdline.empty()) return std::nullopt;
  std::string joined(cmdline);
  for (char& c : joined) {
    if (c == '\0') c = ' ';
  }
  return joined;
}

std::optional<int> WindowsBasePriority(std::int64_t policy, std::int64_t nice) {
  switch (policy) {
    case 0:                        // SCHED_OTHER
    case 3:                        // SCHED_BATCH
      if (nice <= -11) return 13;  // High
      if (nice <= -1) return 10;   // Above normal
      if (nice == 0) return 8;     // Normal
      if (nice <= 10) return 6;    // Below normal
      return 4;                    // Idle
    case 5:                        // SCHED_IDLE
      return 4;
    case 1:       // SCHED_FIFO
    case 2:       // SCHED_RR
    case 6:       // SCHED_DEADLINE
      return 24;  // Realtime
    default:
      return std::nullopt;
  }
}

}  // namespace hwident
