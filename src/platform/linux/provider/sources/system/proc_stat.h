#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace hwident {

// One CPU's time counters from a "cpuN" line of /proc/stat, in clock ticks.
struct CpuTimes {
  std::uint64_t busy = 0;  // user, nice, system, irq, softirq, steal
  std::uint64_t idle = 0;  // idle and iowait
};

// Every "cpuN" line by N; the machine-wide "cpu" line is left out. A line
// with fewer than four counters, or counters that are not numbers, is
// skipped.
std::map<int, CpuTimes> ParseCpuTimes(const std::string& stat);

// The busy share of the listed CPUs between two readings, in whole percent;
// nothing when no tick passed (or a counter went backwards, as after a CPU
// went off line and came back).
std::optional<int> LoadPercent(const std::map<int, CpuTimes>& before,
                               const std::map<int, CpuTimes>& after, const std::vector<int>& cpus);

}  // namespace hwident
