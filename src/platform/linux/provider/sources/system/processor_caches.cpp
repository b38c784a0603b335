#include "platform/linux/provider/sources/system/processor_caches.h"

#include <algorithm>
#include <set>
#include <vector>

#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

const std::string kCpuDirectory = "/sys/devices/system/cpu/cpu";

// The CPUs sharing one cache, the same text for every CPU that shares it:
// the list, else (older kernels) the mask, else the CPU alone; sharing gets
// them as numbers, ascending.
std::string SharedCpus(Machine& m, const std::string& dir, int cpu, std::vector<int>* sharing) {
  std::vector<int>& cpus = *sharing;
  if (const auto list = m.Text(dir + "shared_cpu_list")) {
    cpus = ParseCpuList(*list);
  } else if (const auto mask = m.Text(dir + "shared_cpu_map")) {
    cpus = ParseCpuMask(*mask);
  }
  std::sort(cpus.begin(), cpus.end());
  if (cpus.empty()) {
    cpus = {cpu};
    return std::to_string(cpu);
  }
  std::string text;
  for (int shared : cpus) text += std::to_string(shared) + ",";
  return text;
}

void AddTo(CacheTotals& totals, const std::string& level, std::optional<std::int64_t> kilobytes) {
  std::optional<std::int64_t>& total = totals.try_emplace(level, 0).first->second;
  total = total && kilobytes ? CheckedAdd(*total, *kilobytes) : std::nullopt;
}

// Every instance read where it is: each CPU's cache directories, but a CPU
// named in the shared list of an earlier CPU's instance has that very
// instance, so a socket whose cores share a cache pays one reading of it,
// not one per CPU.
CacheTotals ReadEachInstance(Machine& m, const Socket& socket) {
  CacheTotals totals;
  std::set<std::string> seen;
  std::map<std::string, std::set<int>> counted;
  for (int cpu : socket.cpus) {
    // A CPU that every data cache read so far already counts for is a
    // thread sibling of a core read before: it has no cache of its own.
    const bool sibling =
        !counted.empty() && std::all_of(counted.begin(), counted.end(), [cpu](const auto& index) {
          return index.second.count(cpu) != 0;
        });
    if (sibling) continue;
    const std::string cache = kCpuDirectory + std::to_string(cpu) + "/cache/";
    for (const std::string& index : m.List(cache)) {
      if (index.compare(0, 5, "index") != 0) continue;
      const auto done = counted.find(index);
      if (done != counted.end() && done->second.count(cpu) != 0) continue;
      const std::string dir = cache + index + "/";
      if (m.Text(dir + "type") == "Instruction") continue;
      const auto level = m.Text(dir + "level");
      if (!level) continue;
      std::vector<int> sharing;
      const std::string shared = SharedCpus(m, dir, cpu, &sharing);
      counted[index].insert(sharing.begin(), sharing.end());
      const auto sizeText = m.Text(dir + "size");
      if (!sizeText || !seen.insert(*level + ":" + shared).second) continue;
      AddTo(totals, *level, ParseSizeKilobytes(*sizeText));
    }
  }
  return totals;
}

// A package of one kind of core (as /proc/cpuinfo tells: the same identity
// in every block, one block for every CPU, no hybrid flag) has the same
// caches, laid out the same way, on every core: the first CPU's speak for
// all. A cache private to the first CPU's core has one instance per core,
// one shared by the whole package has one; a cache shared by part of the
// package (a core complex, a cluster) is counted instance by instance
// instead. Nothing when the package is not of one kind or /proc/cpuinfo
// does not give its cores.
std::optional<CacheTotals> FromTheFirstCore(Machine& m, const Socket& socket) {
  const CoreLayout& layout = SocketCores(m, socket);
  if (!layout.oneKind || !layout.cores) return std::nullopt;
  const int first = socket.cpus.front();
  const std::vector<int>& threads = layout.firstCoreThreads;
  const std::optional<std::int64_t> cores = layout.cores;
  std::vector<int> all = socket.cpus;
  std::sort(all.begin(), all.end());
  CacheTotals totals;
  std::set<std::string> seen;
  const std::string cache = kCpuDirectory + std::to_string(first) + "/cache/";
  for (const std::string& index : m.List(cache)) {
    if (index.compare(0, 5, "index") != 0) continue;
    const std::string dir = cache + index + "/";
    if (m.Text(dir + "type") == "Instruction") continue;
    const auto level = m.Text(dir + "level");
    if (!level) continue;
    std::vector<int> sharing;
    const std::string shared = SharedCpus(m, dir, first, &sharing);
    std::int64_t instances = 0;
    if (sharing == threads) {
      instances = *cores;
    } else if (std::includes(sharing.begin(), sharing.end(), all.begin(), all.end())) {
      instances = 1;
    } else {
      return std::nullopt;
    }
    const auto sizeText = m.Text(dir + "size");
    if (!sizeText || !seen.insert(*level + ":" + shared).second) continue;
    const auto size = ParseSizeKilobytes(*sizeText);
    AddTo(totals, *level, size ? CheckedMultiply(*size, instances) : std::nullopt);
  }
  return totals;
}

}  // namespace

const CacheTotals& SocketCacheTotals(Machine& machine, const Socket& socket) {
  return machine.Derived<CacheTotals>("cache totals " + socket.id, [&machine, &socket] {
    if (auto totals = FromTheFirstCore(machine, socket)) return std::move(*totals);
    return ReadEachInstance(machine, socket);
  });
}

}  // namespace hwident
