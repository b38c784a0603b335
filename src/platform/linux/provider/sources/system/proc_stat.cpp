#include "platform/linux/provider/sources/system/proc_stat.h"

#include <sstream>

#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

constexpr std::int64_t kMaxTicks = std::int64_t{1} << 50;

}  // namespace

std::map<int, CpuTimes> ParseCpuTimes(const std::string& stat) {
  std::map<int, CpuTimes> times;
  std::istringstream lines(stat);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.compare(0, 3, "cpu") != 0 || line.size() < 4 || line[3] < '0' || line[3] > '9') {
      continue;
    }
    std::istringstream fields(line);
    std::string name;
    fields >> name;
    const auto cpu = ParseDecimal(name.substr(3));
    // user nice system idle iowait irq softirq steal; guest time is already
    // in user and nice.
    std::vector<std::uint64_t> counters;
    std::string field;
    bool numbers = true;
    while (counters.size() < 8 && fields >> field) {
      // Bounded so that the sums below cannot wrap: 2^50 ticks are some
      // 350,000 years even at 100 Hz.
      const auto value = ParseDecimalIn(field, 0, kMaxTicks);
      if (!value) {
        numbers = false;
        break;
      }
      counters.push_back(static_cast<std::uint64_t>(*value));
    }
    if (!cpu || *cpu > 1 << 20 || !numbers || counters.size() < 4) continue;
    counters.resize(8, 0);
    CpuTimes entry;
    entry.busy = counters[0] + counters[1] + counters[2] + counters[5] + counters[6] + counters[7];
    entry.idle = counters[3] + counters[4];
    times[static_cast<int>(*cpu)] = entry;
  }
  return times;
}

std::optional<int> LoadPercent(const std::map<int, CpuTimes>& before,
                               const std::map<int, CpuTimes>& after, const std::vector<int>& cpus) {
  std::optional<std::int64_t> busy = 0, total = 0;
  for (const int cpu : cpus) {
    const auto first = before.find(cpu);
    const auto second = after.find(cpu);
    if (first == before.end() || second == after.end()) continue;
    const CpuTimes& a = first->second;
    const CpuTimes& b = second->second;
    if (b.busy < a.busy || b.idle < a.idle) return std::nullopt;
    // Each counter fits 2^53 (8 of at most 2^50), so the differences do.
    const auto busyTicks = static_cast<std::int64_t>(b.busy - a.busy);
    const auto idleTicks = static_cast<std::int64_t>(b.idle - a.idle);
    if (busy) busy = CheckedAdd(*busy, busyTicks);
    if (total) total = CheckedAdd(*total, busyTicks + idleTicks);
  }
  // A sum past 64 bits over the machine's CPUs is no reading.
  const auto scaled = busy ? CheckedMultiply(*busy, 100) : std::nullopt;
  if (!scaled || !total || *total == 0) return std::nullopt;
  const auto rounded = CheckedAdd(*scaled, *total / 2);
  if (!rounded) return std::nullopt;
  return static_cast<int>(*rounded / *total);
}

}  // namespace hwident
