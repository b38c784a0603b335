#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hwident {

// The kernel's flag on a kernel thread (PF_KTHREAD), in /proc/<pid>/stat.
inline constexpr std::uint64_t kKernelThreadFlag = 0x00200000;
// The largest process id a kernel hands out (PID_MAX_LIMIT).
inline constexpr std::int64_t kMaxProcessId = 4 * 1024 * 1024;

// The fields of /proc/<pid>/stat the process classes use. Times are in
// clock ticks of USER_HZ.
struct ProcessStat {
  std::int64_t pid = 0;
  std::string name;  // the kernel's name for it, as it is (any bytes)
  char state = '?';  // 'R', 'S', 'Z' ...
  std::int64_t parent = 0;
  std::uint64_t flags = 0;
  std::int64_t pageFaults = 0;  // minor and major
  std::int64_t userTicks = 0;
  std::int64_t kernelTicks = 0;
  std::int64_t nice = 0;  // -20 to 19
  std::int64_t threads = 0;
  std::int64_t startTicks = 0;         // after boot
  std::optional<std::int64_t> policy;  // SCHED_*; kernels before 2.5.19 lack it

  bool KernelThread() const { return (flags & kKernelThreadFlag) != 0; }
};

// One /proc/<pid>/stat line. The name sits between the first '(' and the
// last ')', since a process may call itself anything, parentheses and
// newlines included. Nothing when a field the classes need is missing or
// out of its range.
std::optional<ProcessStat> ParseProcessStat(std::string_view text);

// The memory lines of /proc/<pid>/status, in kB; each missing for kernel
// threads and zombies, which have no address space.
struct ProcessMemory {
  std::optional<std::int64_t> peakVirtualKb;   // VmPeak
  std::optional<std::int64_t> virtualKb;       // VmSize
  std::optional<std::int64_t> peakResidentKb;  // VmHWM
  std::optional<std::int64_t> residentKb;      // VmRSS
  std::optional<std::int64_t> swapKb;          // VmSwap
};
ProcessMemory ParseProcessMemory(std::string_view status);

// /proc/<pid>/cmdline: the arguments, each ended by a NUL, joined with
// spaces as Windows shows a command line. Nothing for an empty one (a
// kernel thread, a zombie). A process that rewrote its arguments into one
// string without NULs is shown as it wrote them.
std::optional<std::string> JoinedCommandLine(std::string_view cmdline);

// The Windows base priority standing for a scheduling policy and nice
// value (see docs/linux-classes.md for the table); nothing for a policy
// this does not know.
std::optional<int> WindowsBasePriority(std::int64_t policy, std::int64_t nice);

}  // namespace hwident
