#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {

// One processor package (socket) and the logical CPUs in it.
struct Socket {
  std::string id;         // the package id the kernel gives
  std::vector<int> cpus;  // logical CPU numbers, ascending
  // Their /proc/cpuinfo blocks, if any, pointing into the CpuInfo the
  // sockets were read with.
  std::vector<const CpuInfoBlock*> blocks;
};

// The machine's sockets in package-id order, holding only the CPUs online
// (Windows counts the processors the system runs on). x86 kernels name the
// package in /proc/cpuinfo ("physical id"); elsewhere sysfs topology does; a
// machine that names none has one socket holding every CPU. The sockets
// point into info, which must outlive them.
std::vector<Socket> ReadSockets(Machine& machine, const CpuInfo& info);

// ReadSockets of the machine's /proc/cpuinfo, made once per query.
const std::vector<Socket>& MachineSockets(Machine& machine);

// The socket with that package id, as MachineSockets keeps it for the
// query; null when there is none.
const Socket* FindSocket(Machine& machine, const std::string& id);

// What /proc/cpuinfo says of a socket's cores (x86 kernels give each CPU a
// core id, the id sysfs gives too), worked out once per query.
struct CoreLayout {
  // The cores with a CPU online; nothing when a CPU of the socket has no
  // block or no core id.
  std::optional<std::int64_t> cores;
  // The CPUs on the same core as the socket's first CPU, ascending; empty
  // when cores is nothing.
  std::vector<int> firstCoreThreads;
  // Every CPU the same kind of core: one block per CPU, the same identity in
  // each, and no hybrid flag.
  bool oneKind = false;
};
const CoreLayout& SocketCores(Machine& machine, const Socket& socket);

// A CPU mask as sysfs prints it ("00000000,000000ff": 32-bit hex groups,
// highest first), expanded; empty for anything that is not a mask.
std::vector<int> ParseCpuMask(const std::string& text);

// Logical CPUs online, from /sys/devices/system/cpu/online, else the
// processor blocks of /proc/cpuinfo.
std::optional<int> OnlineCpuCount(Machine& machine, const CpuInfo& info);

// Whether a hypervisor runs the machine: the CPUID hypervisor bit as x86
// kernels show it in the flags, or a hypervisor type in sysfs. Nothing when
// neither source can be read.
std::optional<bool> HypervisorPresent(Machine& machine, const CpuInfo& info);

}  // namespace hwident
