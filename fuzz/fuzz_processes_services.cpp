// The parsers of process and service files, each straight on the input with
// the rules their results must keep, and the two classes over machines made
// of mutated files. One byte picks the parser, one the live facts; the rest
// is the file (files of a machine are split at NULs, in the order named).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_machine_support.h"
#include "platform/heap/heap_values.h"
#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/service/class_schema.h"
#include "platform/linux/provider/sources/processes/process_files.h"
#include "platform/linux/provider/sources/services/service_units.h"
#include "platform/linux/provider/sources/services/unit_file.h"
#include "platform/linux/provider/values/cim_value.h"

namespace {

using hwident::fuzz::AddFiles;
using hwident::fuzz::PickedLiveFacts;
using hwident::fuzz::ReadEveryProperty;

void Check(bool rule) {
  if (!rule) std::abort();
}

void ProcessStat(const std::string& text, std::uint8_t) {
  const auto stat = hwident::ParseProcessStat(text);
  if (!stat) return;
  Check(stat->pid >= 0 && stat->pid <= hwident::kMaxProcessId);
  Check(stat->parent >= 0 && stat->parent <= hwident::kMaxProcessId);
  Check(stat->nice >= -20 && stat->nice <= 19);
  Check(stat->name.size() < text.size());
  if (stat->policy) hwident::WindowsBasePriority(*stat->policy, stat->nice);
}

void ProcessStatus(const std::string& text, std::uint8_t) {
  const hwident::ProcessMemory memory = hwident::ParseProcessMemory(text);
  for (const auto& kb : {memory.peakVirtualKb, memory.virtualKb, memory.peakResidentKb,
                         memory.residentKb, memory.swapKb}) {
    if (kb) Check(*kb >= 0 && *kb <= INT64_MAX / 1024);
  }
}

void CommandLine(const std::string& text, std::uint8_t) {
  if (const auto line = hwident::JoinedCommandLine(text)) {
    Check(!line->empty() && line->size() <= text.size());
    Check(line->find('\0') == std::string::npos);
  }
}

// A unit file, with the name its specifiers expand for taken from the
// input's first line.
void UnitFile(const std::string& text, std::uint8_t) {
  const std::size_t end = std::min(text.find('\n'), text.size());
  const std::string name = text.substr(0, end);
  hwident::ServiceSettings settings;
  hwident::ApplyUnitFile(text, settings);
  for (const std::string& line : settings.execStart) {
    Check(line.size() <= hwident::kMaxUnitLineBytes);
    hwident::ExecCommand(hwident::ExpandSpecifiers(line, name));
  }
  if (settings.description) hwident::ExpandSpecifiers(*settings.description, name);
  if (settings.user) hwident::UnitBoolean(*settings.user);
  if (const auto path = hwident::SlicePath(name))
    Check(path->size() <= name.size() * name.size() + 6);
  for (const std::int64_t pid : hwident::ParseCgroupProcesses(text)) {
    Check(pid >= 1 && pid <= hwident::kMaxProcessId);
  }
}

void ReadClass(const std::string& className, hwident::MemorySourceReader& reader,
               std::uint8_t pick) {
  const PickedLiveFacts live(pick);
  Check(ReadEveryProperty(reader, live, className));
}

// Two processes, the second's files from the input, in the directory its
// stat line names (when that is a number).
void Processes(const std::string& text, std::uint8_t pick) {
  hwident::MemorySourceReader reader;
  reader.AddFile("/proc/1/stat", "1 (init) S 0 1 1 0 -1 4194560 1 0 0 0 1 2 0 0 20 0 1 0 3 0 0");
  reader.AddFile("/proc/stat", "btime 1700000000\n");
  std::string pid = text.substr(0, std::min<std::size_t>(text.find(' '), 7));
  if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) pid = "7";
  const std::string proc = "/proc/" + pid;
  reader.AddLink(proc + "/fd/0", "/dev/null");
  reader.AddLink(proc + "/exe", "/usr/bin/x");
  AddFiles(reader, {proc + "/stat", proc + "/status", proc + "/cmdline", proc + "/sessionid"},
           text);
  ReadClass("Win32_Process", reader, pick);
}

// A service unit, its drop-in and its cgroup from the input.
void Services(const std::string& text, std::uint8_t pick) {
  hwident::MemorySourceReader reader;
  reader.AddFile("/run/systemd/system/x.scope.d/a.conf", "");
  reader.AddLink("/etc/systemd/system/multi-user.target.wants/a.service",
                 "/lib/systemd/system/a.service");
  reader.AddLink("/etc/systemd/system/getty.target.wants/t@x-y.service",
                 "/lib/systemd/system/t@.service");
  AddFiles(reader,
           {"/lib/systemd/system/a.service", "/etc/systemd/system/a.service.d/o.conf",
            "/sys/fs/cgroup/system.slice/a.service/cgroup.procs", "/lib/systemd/system/t@.service",
            "/proc/9/stat"},
           text);
  ReadClass("Win32_Service", reader, pick);
}

// Indexed by the input's first byte; seeds depend on the order.
constexpr void (*kParsers[])(const std::string&, std::uint8_t) = {
    ProcessStat, ProcessStatus, CommandLine, UnitFile, Processes, Services,
};

}  // namespace

// Input: the parser's number, a byte of live facts, then the file(s).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);
  kParsers[data[0] % std::size(kParsers)](text, data[1]);
  return 0;
}
