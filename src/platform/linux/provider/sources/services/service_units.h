#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/sources/services/unit_file.h"

namespace hwident {

// Whether the machine runs systemd: it makes /run/systemd/system at boot.
bool RunsSystemd(Machine& machine);

// The service units the machine has, by unit name ("ssh.service",
// "getty@tty1.service"), sorted: every non-template unit file of the unit
// directories (aliases left out: they name a unit listed under its own
// name), masked units, and the instances of templates that a target wants
// or that run. Nothing on a machine without systemd.
const std::vector<std::string>& ServiceUnitNames(Machine& machine);

// What a unit's files say.
struct ServiceUnitFiles {
  bool masked = false;                      // linked to /dev/null, or empty
  bool wanted = false;                      // linked from a target's .wants or .requires
  std::optional<ServiceSettings> settings;  // nothing when masked or unread
};
const ServiceUnitFiles& ReadServiceUnitFiles(Machine& machine, const std::string& unit);

// The processes in the unit's cgroup, in process-id order, and the main one
// among them: the lowest whose parent is outside the cgroup (the process
// the service manager started; its children share the cgroup).
struct ServiceRuntime {
  std::vector<std::int64_t> processes;
  std::optional<std::int64_t> mainProcess;
};
const ServiceRuntime& ReadServiceRuntime(Machine& machine, const std::string& unit);

// The process ids of a cgroup.procs file, each 1 to the largest pid;
// anything else on a line drops that line.
std::vector<std::int64_t> ParseCgroupProcesses(const std::string& text);

}  // namespace hwident
