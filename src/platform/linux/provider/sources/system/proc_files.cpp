#include "platform/linux/provider/sources/system/proc_files.h"

#include <limits>
#include <set>
#include <sstream>

#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  std::string line;
  while (std::getline(stream, line)) lines.push_back(line);
  return lines;
}

std::optional<std::string> OsReleaseFrom(const std::string& text, const std::string& key) {
  for (const std::string& line : Lines(text)) {
    if (line.compare(0, key.size() + 1, key + "=") != 0) continue;
    std::string value = line.substr(key.size() + 1);
    // Shell quoting: the common single- and double-quoted forms.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return value;
  }
  return std::nullopt;
}

}  // namespace

std::string Trim(std::string_view text) {
  std::size_t start = 0;
  std::size_t end = text.size();
  while (start < end && IsBlank(text[start])) ++start;
  while (end > start && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(start, end - start));
}

std::string ToUpper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::optional<std::int64_t> ParseDecimal(const std::string& text) {
  return ParseDecimalIn(text, std::numeric_limits<std::int64_t>::min(),
                        std::numeric_limits<std::int64_t>::max());
}

std::optional<int> ParseCpuNumber(const std::string& text) {
  const auto number = ParseDecimalIn(text, 0, kMaxCpus - 1);
  if (!number) return std::nullopt;
  return static_cast<int>(*number);
}

CpuInfo ParseCpuInfo(const std::string& text) {
  // The keys any class reads: a block keeps only these, so a machine with
  // thousands of CPUs parses its megabytes into a few small maps' worth.
  // Processor blocks use the lower-case ones, the ARM board block the others.
  static const std::set<std::string, std::less<>> kKept = {
      "processor", "physical id",     "core id",     "vendor_id", "cpu family",
      "model",     "model name",      "stepping",    "cpu MHz",   "cpu cores",
      "flags",     "CPU implementer", "CPU variant", "CPU part",  "CPU revision",
      "Hardware",  "Revision",        "Serial",      "Model"};
  CpuInfo info;
  info.present = true;
  CpuInfoBlock block;
  bool inBlock = false;
  auto finish = [&info, &block, &inBlock] {
    if (!inBlock) return;
    inBlock = false;
    if (block.count("processor") != 0) {
      if (info.processors.size() < static_cast<std::size_t>(kMaxCpus))
        info.processors.push_back(std::move(block));
    } else {
      info.board.insert(block.begin(), block.end());
    }
    block.clear();
  };
  const std::string_view all(text);
  for (std::size_t at = 0;
       at < all.size() && info.processors.size() < static_cast<std::size_t>(kMaxCpus);) {
    std::size_t end = all.find('\n', at);
    if (end == std::string_view::npos) end = all.size();
    const std::string_view line = all.substr(at, end - at);
    at = end + 1;
    const std::size_t colon = line.find(':');
    if (Trim(line).empty()) {
      finish();
      continue;
    }
    if (colon == std::string_view::npos) continue;
    inBlock = true;
    std::string_view name = line.substr(0, colon);
    while (!name.empty() && IsBlank(name.front())) name.remove_prefix(1);
    while (!name.empty() && IsBlank(name.back())) name.remove_suffix(1);
    const auto key = kKept.find(name);
    if (key == kKept.end()) continue;
    // Only the blanks after the colon go: trailing blanks belong to the value
    // (AMD brand strings keep them, and so does Windows).
    std::size_t start = colon + 1;
    while (start < line.size() && (line[start] == ' ' || line[start] == '\t')) ++start;
    block[*key] = std::string(line.substr(start));
  }
  finish();
  return info;
}

const CpuInfo& ReadCpuInfo(Machine& machine) {
  return machine.Derived<CpuInfo>("/proc/cpuinfo", [&machine] {
    const std::optional<std::string>& text = machine.Raw("/proc/cpuinfo");
    return text ? ParseCpuInfo(*text) : CpuInfo{};
  });
}

std::optional<std::string> Field(const CpuInfoBlock& block, std::string_view key) {
  const auto found = block.find(key);
  if (found == block.end()) return std::nullopt;
  return found->second;
}

std::optional<std::uint64_t> MemInfoKb(Machine& machine, const std::string& key) {
  const std::optional<std::string>& text = machine.Raw("/proc/meminfo");
  if (!text) return std::nullopt;
  for (const std::string& line : Lines(*text)) {
    if (line.compare(0, key.size() + 1, key + ":") != 0) continue;
    std::istringstream fields(line.substr(key.size() + 1));
    std::string number;
    fields >> number;
    // Bounded so that the byte count (x 1024) and a sum of two still fit.
    const auto kb = ParseDecimalIn(number, 0, kMaxMemInfoKb);
    if (!kb) return std::nullopt;
    return static_cast<std::uint64_t>(*kb);
  }
  return std::nullopt;
}

std::optional<std::int64_t> BootTime(Machine& machine) {
  const std::optional<std::string>& stat = machine.Raw("/proc/stat");
  if (!stat) return std::nullopt;
  for (const std::string& line : Lines(*stat)) {
    if (line.compare(0, 6, "btime ") == 0) return ParseDecimal(Trim(line.substr(6)));
  }
  return std::nullopt;
}

std::vector<int> ParseCpuList(const std::string& text) {
  std::vector<int> cpus;
  std::istringstream ranges(Trim(text));
  std::string range;
  while (std::getline(ranges, range, ',')) {
    const std::size_t dash = range.find('-');
    const auto first = ParseCpuNumber(range.substr(0, dash));
    const auto last = dash == std::string::npos ? first : ParseCpuNumber(range.substr(dash + 1));
    // The kernel prints ranges ascending and apart. Holding lists to that,
    // and every number below kMaxCpus, bounds the result at kMaxCpus
    // entries whatever the file's size; a list that breaks it is no list.
    if (!first || !last || *last < *first || (!cpus.empty() && *first <= cpus.back())) return {};
    for (int cpu = *first; cpu <= *last; ++cpu) cpus.push_back(cpu);
  }
  return cpus;
}

std::optional<std::string> DeviceTreeText(Machine& machine, const std::string& path) {
  const std::optional<std::string>& raw = machine.Raw(path);
  if (!raw) return std::nullopt;
  return raw->substr(0, raw->find('\0'));
}

std::optional<std::string> HostName(Machine& machine) {
  return machine.Text("/proc/sys/kernel/hostname");
}

// Worked out once per query: classes give it for every object.
std::optional<std::string> NetBiosName(Machine& machine) {
  static const std::string kKey = "netbios-name";
  return machine.Derived<std::optional<std::string>>(
      kKey, [&machine]() -> std::optional<std::string> {
        const std::optional<std::string> host = HostName(machine);
        if (!host || host->empty()) return std::nullopt;
        return ToUpper(host->substr(0, host->find('.')).substr(0, 15));
      });
}

std::optional<std::string> OsRelease(Machine& machine, const std::string& key) {
  // os-release(5): /etc/os-release wins, /usr/lib/os-release is the fallback.
  std::optional<std::string> text = machine.Raw("/etc/os-release");
  if (!text) text = machine.Raw("/usr/lib/os-release");
  if (!text) return std::nullopt;
  return OsReleaseFrom(*text, key);
}

}  // namespace hwident
