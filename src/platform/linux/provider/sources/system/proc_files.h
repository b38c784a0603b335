#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/values/number_text.h"

namespace hwident {

// One "key : value" block of /proc/cpuinfo.
using CpuInfoBlock = std::map<std::string, std::string, std::less<>>;

// /proc/cpuinfo cut into its blocks, at most kMaxCpus processor blocks
// (the rest of a longer file is not the machine's). Processor blocks carry a "processor"
// key; ARM kernels add a trailing block for the board ("Hardware",
// "Revision", "Serial", "Model"), kept in board.
struct CpuInfo {
  std::vector<CpuInfoBlock> processors;
  CpuInfoBlock board;
  bool present = false;
};
CpuInfo ParseCpuInfo(const std::string& text);
// Parsed once per query.
const CpuInfo& ReadCpuInfo(Machine& machine);

// The value of key in a block, or nothing.
std::optional<std::string> Field(const CpuInfoBlock& block, std::string_view key);

// A "Key:   123 kB" line of /proc/meminfo, in kB; nothing when the number
// is not one or exceeds kMaxMemInfoKb.
std::optional<std::uint64_t> MemInfoKb(Machine& machine, const std::string& key);
inline constexpr std::int64_t kMaxMemInfoKb = INT64_MAX / 1024 / 2;

// When the machine booted, in epoch seconds: the "btime" line of /proc/stat.
std::optional<std::int64_t> BootTime(Machine& machine);

// A CPU list as the kernel prints it ("0-3,8,10-11"), expanded. Empty when
// it is not one: ranges out of order or overlapping, or a CPU number that
// is not below kMaxCpus. So the result never holds more than kMaxCpus.
std::vector<int> ParseCpuList(const std::string& text);
// One CPU number, 0 to kMaxCpus - 1.
std::optional<int> ParseCpuNumber(const std::string& text);

// A device-tree property: NUL-terminated strings; the first one, without
// its terminator.
std::optional<std::string> DeviceTreeText(Machine& machine, const std::string& path);

// The host name as the kernel holds it (what gethostname gives).
std::optional<std::string> HostName(Machine& machine);
// The name Windows would show: the first label, upper-cased, at most 15
// characters as a NetBIOS name allows.
std::optional<std::string> NetBiosName(Machine& machine);

// A value of /etc/os-release (or /usr/lib/os-release), quotes removed.
std::optional<std::string> OsRelease(Machine& machine, const std::string& key);

// Parses plain decimal; nothing for anything else.
std::optional<std::int64_t> ParseDecimal(const std::string& text);
// Blanks removed at both ends.
std::string Trim(std::string_view text);
std::string ToUpper(std::string text);

}  // namespace hwident
