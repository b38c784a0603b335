#include "platform/linux/provider/sources/system/processor_topology.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <sstream>

namespace hwident {
namespace {

const std::string kCpuDirectory = "/sys/devices/system/cpu/";

std::vector<int> SysfsCpus(Machine& machine) {
  std::vector<int> cpus;
  for (const std::string& name : machine.List(kCpuDirectory)) {
    if (name.size() < 4 || name.compare(0, 3, "cpu") != 0) continue;
    if (const auto number = ParseCpuNumber(name.substr(3))) cpus.push_back(*number);
  }
  std::sort(cpus.begin(), cpus.end());
  return cpus;
}

bool HasFlag(const CpuInfoBlock& block, const std::string& flag) {
  std::istringstream flags(Field(block, "flags").value_or(""));
  std::string word;
  while (flags >> word) {
    if (word == flag) return true;
  }
  return false;
}

int BlockCpu(const CpuInfoBlock& block) {
  return static_cast<int>(ParseDecimal(Field(block, "processor").value_or("")).value_or(-1));
}

void KeepOnline(Socket& socket, const std::vector<bool>& online) {
  const auto offline = [&online](int cpu) {
    return cpu < 0 || static_cast<std::size_t>(cpu) >= online.size() ||
           !online[static_cast<std::size_t>(cpu)];
  };
  socket.cpus.erase(std::remove_if(socket.cpus.begin(), socket.cpus.end(), offline),
                    socket.cpus.end());
  socket.blocks.erase(
      std::remove_if(socket.blocks.begin(), socket.blocks.end(),
                     [&offline](const CpuInfoBlock* block) { return offline(BlockCpu(*block)); }),
      socket.blocks.end());
}

}  // namespace

std::vector<int> ParseCpuMask(const std::string& text) {
  // Far more CPUs than any machine has; a longer "mask" is not one.
  constexpr std::size_t kMaxDigits = 4096;
  std::string digits;
  for (const char c : text) {
    if (c == ',' || c == '\n') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c)) || digits.size() == kMaxDigits) return {};
    digits.push_back(c);
  }
  std::vector<int> cpus;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    const char c = digits[digits.size() - 1 - i];
    const int value =
        std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
    for (int bit = 0; bit < 4; ++bit) {
      if ((value >> bit) & 1) cpus.push_back(static_cast<int>(i) * 4 + bit);
    }
  }
  return cpus;
}

std::vector<Socket> ReadSockets(Machine& machine, const CpuInfo& info) {
  // Package ids sort as numbers: "10" comes after "2".
  std::map<std::int64_t, Socket> byPackage;
  for (const CpuInfoBlock& block : info.processors) {
    const auto package = Field(block, "physical id");
    const auto cpu = ParseCpuNumber(Field(block, "processor").value_or(""));
    if (!package || !cpu) continue;
    const auto number = ParseDecimal(*package).value_or(0);
    Socket& socket = byPackage[number];
    socket.id = *package;
    socket.cpus.push_back(*cpu);
    socket.blocks.push_back(&block);
  }
  if (byPackage.empty()) {
    const std::vector<int> cpus = SysfsCpus(machine);
    std::vector<bool> placed(cpus.size(), false);
    for (std::size_t i = 0; i < cpus.size(); ++i) {
      if (placed[i]) continue;
      const std::string topology = kCpuDirectory + "cpu" + std::to_string(cpus[i]) + "/topology/";
      const auto text = machine.Text(topology + "physical_package_id");
      if (!text) continue;
      // Some ARM kernels report -1 for "unknown"; such CPUs share one package.
      const std::int64_t number = std::max<std::int64_t>(ParseDecimal(*text).value_or(0), 0);
      Socket& socket = byPackage[number];
      socket.id = std::to_string(number);
      // The package's CPU list (kernel 5.x and later) places all its CPUs at
      // once, so a server pays a few reads per socket rather than one per CPU.
      std::vector<int> members{cpus[i]};
      if (const auto list = machine.Text(topology + "package_cpus_list")) {
        members = ParseCpuList(*list);
      }
      for (const int member : members) {
        const auto at = std::lower_bound(cpus.begin(), cpus.end(), member);
        if (at == cpus.end() || *at != member || placed[at - cpus.begin()]) continue;
        placed[at - cpus.begin()] = true;
        socket.cpus.push_back(member);
      }
      // A list that leaves its own CPU out is not to be trusted for it.
      if (!placed[i]) {
        placed[i] = true;
        socket.cpus.push_back(cpus[i]);
      }
    }
    // Each CPU's block goes to the socket holding that CPU, in the file's
    // order.
    std::map<int, Socket*> socketOf;
    for (auto& [number, socket] : byPackage) {
      for (const int cpu : socket.cpus) socketOf.emplace(cpu, &socket);
    }
    for (const CpuInfoBlock& block : info.processors) {
      const auto cpu = ParseCpuNumber(Field(block, "processor").value_or(""));
      const auto found = cpu ? socketOf.find(*cpu) : socketOf.end();
      if (found != socketOf.end()) found->second->blocks.push_back(&block);
    }
  }
  // Neither source names a package (old ARM kernels, some containers): the
  // CPUs /proc/cpuinfo lists make one socket.
  if (byPackage.empty() && !info.processors.empty()) {
    Socket& socket = byPackage[0];
    socket.id = "0";
    for (const CpuInfoBlock& block : info.processors) {
      socket.cpus.push_back(ParseCpuNumber(Field(block, "processor").value_or("")).value_or(0));
      socket.blocks.push_back(&block);
    }
  }
  // Offline CPUs keep their sysfs directories (and old kernels their place
  // in the package counts); they are not processors the system runs on.
  std::vector<bool> online;
  if (const auto text = machine.Text(kCpuDirectory + "online")) {
    for (const int cpu : ParseCpuList(*text)) {
      if (cpu < 0) continue;
      if (static_cast<std::size_t>(cpu) >= online.size()) online.resize(cpu + 1u, false);
      online[static_cast<std::size_t>(cpu)] = true;
    }
  }
  std::vector<Socket> sockets;
  for (auto& [number, socket] : byPackage) {
    if (!online.empty()) KeepOnline(socket, online);
    if (!socket.cpus.empty()) sockets.push_back(std::move(socket));
  }
  return sockets;
}

namespace {

bool OneKindOfCore(const Socket& socket) {
  if (socket.blocks.empty() || socket.blocks.size() != socket.cpus.size()) return false;
  std::set<int> listed;
  for (const CpuInfoBlock* block : socket.blocks) listed.insert(BlockCpu(*block));
  if (listed != std::set<int>(socket.cpus.begin(), socket.cpus.end())) return false;
  const CpuInfoBlock& first = *socket.blocks.front();
  const std::string flags = " " + Field(first, "flags").value_or("") + " ";
  if (flags.find(" hybrid_cpu ") != std::string::npos) return false;
  for (const char* key : {"vendor_id", "cpu family", "model", "model name", "stepping",
                          "CPU implementer", "CPU variant", "CPU part", "CPU revision"}) {
    const auto found = first.find(key);
    for (const CpuInfoBlock* block : socket.blocks) {
      const auto other = block->find(key);
      if ((found == first.end()) != (other == block->end())) return false;
      if (found != first.end() && found->second != other->second) return false;
    }
  }
  return true;
}

CoreLayout ReadCoreLayout(const Socket& socket) {
  CoreLayout layout;
  if (socket.blocks.size() != socket.cpus.size()) return layout;
  std::set<std::string> cores;
  const std::string* firstCore = nullptr;
  for (const CpuInfoBlock* block : socket.blocks) {
    const auto core = block->find("core id");
    if (core == block->end()) return layout;
    cores.insert(core->second);
    if (BlockCpu(*block) == socket.cpus.front()) firstCore = &core->second;
  }
  if (firstCore == nullptr) return layout;
  for (const CpuInfoBlock* block : socket.blocks) {
    if (block->find("core id")->second == *firstCore) {
      layout.firstCoreThreads.push_back(BlockCpu(*block));
    }
  }
  std::sort(layout.firstCoreThreads.begin(), layout.firstCoreThreads.end());
  layout.cores = static_cast<std::int64_t>(cores.size());
  layout.oneKind = OneKindOfCore(socket);
  return layout;
}

}  // namespace

const CoreLayout& SocketCores(Machine& machine, const Socket& socket) {
  return machine.Derived<CoreLayout>("core layout " + socket.id,
                                     [&socket] { return ReadCoreLayout(socket); });
}

const std::vector<Socket>& MachineSockets(Machine& machine) {
  return machine.Derived<std::vector<Socket>>(
      "sockets", [&machine] { return ReadSockets(machine, ReadCpuInfo(machine)); });
}

const Socket* FindSocket(Machine& machine, const std::string& id) {
  for (const Socket& socket : MachineSockets(machine)) {
    if (socket.id == id) return &socket;
  }
  return nullptr;
}

std::optional<int> OnlineCpuCount(Machine& machine, const CpuInfo& info) {
  if (const auto online = machine.Text(kCpuDirectory + "online")) {
    const std::vector<int> cpus = ParseCpuList(*online);
    if (!cpus.empty()) return static_cast<int>(cpus.size());
  }
  if (!info.processors.empty()) return static_cast<int>(info.processors.size());
  return std::nullopt;
}

std::optional<bool> HypervisorPresent(Machine& machine, const CpuInfo& info) {
  if (!info.processors.empty() && HasFlag(info.processors.front(), "hypervisor")) return true;
  if (const auto type = machine.Text("/sys/hypervisor/type"); type && !type->empty()) return true;
  if (!info.present) return std::nullopt;
  return false;
}

}  // namespace hwident
