// Win32_Service: the service units of a systemd machine, by unit name.
// Their configuration comes from the unit files and drop-ins, their state
// from the cgroup tree, both readable by any user and in a machine tree;
// the service manager's bus would need it running and a client library,
// and says nothing the files do not but a failure (see
// docs/linux-classes.md). A machine without systemd has no objects.
#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/services/service_units.h"
#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

constexpr std::string_view kServiceSuffix = ".service";

std::vector<std::string> Units(M& m) {
  return ServiceUnitNames(m);
}

bool Running(M& m, I unit) {
  return !ReadServiceRuntime(m, unit).processes.empty();
}

template <typename Read>
Fact WithSettings(M& m, I unit, Read read) {
  const ServiceUnitFiles& files = ReadServiceUnitFiles(m, unit);
  if (!files.settings) return Fact::Null();
  return read(*files.settings);
}

Fact Name(M&, I unit) {
  return Fact::Text(unit.substr(0, unit.size() - kServiceSuffix.size()));
}

Fact DisplayName(M& m, I unit) {
  return WithSettings(m, unit, [&unit](const ServiceSettings& s) {
    return s.description ? Fact::Text(ExpandSpecifiers(*s.description, unit)) : Fact::Null();
  });
}

// The first command the unit starts with.
Fact PathName(M& m, I unit) {
  return WithSettings(m, unit, [&unit](const ServiceSettings& s) {
    if (s.execStart.empty()) return Fact::Null();
    return Fact::Text(ExecCommand(ExpandSpecifiers(s.execStart.front(), unit)));
  });
}

// Auto when a target pulls the unit in, Disabled when masked (it cannot be
// started at all), Manual otherwise: started by hand or by another unit.
Fact StartMode(M& m, I unit) {
  const ServiceUnitFiles& files = ReadServiceUnitFiles(m, unit);
  if (files.masked) return Constant("Disabled");
  if (!files.settings) return Fact::Null();
  return Constant(files.wanted ? "Auto" : "Manual");
}

// The account the service runs as; root is Windows' LocalSystem. A dynamic
// user takes the unit's name when User= names none.
Fact StartName(M& m, I unit) {
  return WithSettings(m, unit, [&unit](const ServiceSettings& s) {
    const std::string user = s.user ? ExpandSpecifiers(*s.user, unit) : "";
    if (!user.empty() && user != "root" && user != "0") return Fact::Text(user);
    if (user.empty() && s.dynamicUser && UnitBoolean(*s.dynamicUser).value_or(false)) {
      return Fact::Text(unit.substr(0, unit.find('@') != std::string::npos
                                           ? unit.find('@')
                                           : unit.size() - kServiceSuffix.size()));
    }
    return Constant("LocalSystem");
  });
}

Fact State(M& m, I unit) {
  return Constant(Running(m, unit) ? "Running" : "Stopped");
}

Fact ProcessId(M& m, I unit) {
  const ServiceRuntime& runtime = ReadServiceRuntime(m, unit);
  if (runtime.processes.empty()) return Fact::Number(0);
  return runtime.mainProcess ? Fact::Number(*runtime.mainProcess) : Fact::Null();
}

// A running unit stops on request unless it refuses a manual stop.
Fact AcceptStop(M& m, I unit) {
  if (!Running(m, unit)) return Fact::Flag(false);
  return WithSettings(m, unit, [](const ServiceSettings& s) {
    const bool refuses = s.refuseManualStop && UnitBoolean(*s.refuseManualStop).value_or(false);
    return Fact::Flag(!refuses);
  });
}

// Every unit whose configuration loaded is "OK"; a masked one has none.
Fact Status(M& m, I unit) {
  return WithSettings(m, unit, [](const ServiceSettings&) { return Constant("OK"); });
}

Fact Null(M&, I) {
  return Fact::Null();
}

constexpr PropertySchema kProperties[] = {
    // The service manager has no pause.
    {"AcceptPause", CimType::kBoolean, [](M&, I) { return Fact::Flag(false); }},
    {"AcceptStop", CimType::kBoolean, AcceptStop},
    {"Caption", CimType::kString, DisplayName},
    {"CheckPoint", CimType::kUint32, Null},
    {"CreationClassName", CimType::kString, [](M&, I) { return Constant("Win32_Service"); }},
    {"DelayedAutoStart", CimType::kBoolean, Null},
    // A unit has one description, short; Windows' longer one repeats it.
    {"Description", CimType::kString, DisplayName},
    {"DesktopInteract", CimType::kBoolean, Null},
    {"DisplayName", CimType::kString, DisplayName},
    {"ErrorControl", CimType::kString, Null},
    {"ExitCode", CimType::kUint32, Null},
    {"InstallDate", CimType::kDatetime, Null},
    {"Name", CimType::kString, Name},
    {"PathName", CimType::kString, PathName},
    {"ProcessId", CimType::kUint32, ProcessId},
    {"ServiceSpecificExitCode", CimType::kUint32, Null},
    {"ServiceType", CimType::kString, [](M&, I) { return Constant("Own Process"); }},
    {"Started", CimType::kBoolean, [](M& m, I unit) { return Fact::Flag(Running(m, unit)); }},
    {"StartMode", CimType::kString, StartMode},
    {"StartName", CimType::kString, StartName},
    {"State", CimType::kString, State},
    {"Status", CimType::kString, Status},
    {"SystemCreationClassName", CimType::kString,
     [](M&, I) { return Constant("Win32_ComputerSystem"); }},
    {"SystemName", CimType::kString, [](M& m, I) { return FactFrom(NetBiosName(m)); }},
    {"TagId", CimType::kUint32, Null},
    {"WaitHint", CimType::kUint32, Null},
};

}  // namespace

const ClassSchema& ServiceClass() {
  static const ClassSchema schema{"Win32_Service", Units, kProperties};
  return schema;
}

}  // namespace hwident
