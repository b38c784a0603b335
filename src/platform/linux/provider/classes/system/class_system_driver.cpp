// Win32_SystemDriver: one object per loaded kernel module, by name as
// Windows lists its drivers.
#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/system/kernel_modules.h"
#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

template <typename Read>
Fact WithModule(M& m, I name, Read read) {
  const LoadedModule* module = FindLoadedModule(m, name);
  return module == nullptr ? Fact::Null() : read(*module);
}

// A module has no display name of its own; Windows shows a driver's
// service name where it has none either.
Fact Name(M& m, I name) {
  return WithModule(m, name, [](const LoadedModule& module) { return Fact::Text(module.name); });
}

// The service states Windows has for a driver starting, running and
// stopping.
Fact State(M& m, I name) {
  return WithModule(m, name, [](const LoadedModule& module) {
    if (module.state == "Loading") return Constant("Start Pending");
    if (module.state == "Unloading") return Constant("Stop Pending");
    return Constant("Running");
  });
}

Fact Started(M& m, I name) {
  return WithModule(
      m, name, [](const LoadedModule& module) { return Fact::Flag(module.state != "Loading"); });
}

Fact AcceptStop(M& m, I name) {
  return WithModule(m, name,
                    [](const LoadedModule& module) { return Fact::Flag(module.removable); });
}

// Running and starting drivers have exited with nothing.
Fact ExitCode(M& m, I name) {
  return WithModule(m, name, [](const LoadedModule&) { return Fact::Number(0); });
}

Fact PathName(M& m, I name) {
  return FactFrom(LoadedModulePath(m, name));
}

Fact None(M&, I) {
  return Fact::Null();
}

constexpr PropertySchema kProperties[] = {
    // Linux cannot pause a module.
    {"AcceptPause", CimType::kBoolean, [](M&, I) { return Fact::Flag(false); }},
    {"AcceptStop", CimType::kBoolean, AcceptStop},
    {"Caption", CimType::kString, Name},
    {"CreationClassName", CimType::kString, [](M&, I) { return Constant("Win32_SystemDriver"); }},
    // The module's description is in its file's .modinfo section, which
    // the kernel does not publish for a loaded module.
    {"Description", CimType::kString, None},
    {"DesktopInteract", CimType::kBoolean, [](M&, I) { return Fact::Flag(false); }},
    {"DisplayName", CimType::kString, Name},
    {"ErrorControl", CimType::kString, None},
    {"ExitCode", CimType::kUint32, ExitCode},
    {"InstallDate", CimType::kDatetime, None},
    {"Name", CimType::kString, Name},
    {"PathName", CimType::kString, PathName},
    {"ServiceSpecificExitCode", CimType::kUint32, ExitCode},
    {"ServiceType", CimType::kString, [](M&, I) { return Constant("Kernel Driver"); }},
    {"Started", CimType::kBoolean, Started},
    // Loaded when hardware or a feature asks for it, as Windows' demand
    // started drivers are.
    {"StartMode", CimType::kString, [](M&, I) { return Constant("Manual"); }},
    {"StartName", CimType::kString, None},
    {"State", CimType::kString, State},
    {"Status", CimType::kString, [](M&, I) { return Constant("OK"); }},
    {"SystemCreationClassName", CimType::kString,
     [](M&, I) { return Constant("Win32_ComputerSystem"); }},
    {"SystemName", CimType::kString, [](M& m, I) { return FactFrom(NetBiosName(m)); }},
    {"TagId", CimType::kUint32, None},
};

std::vector<std::string> ModuleNames(M& m) {
  std::vector<std::string> names;
  for (const LoadedModule& module : LoadedModules(m)) names.push_back(module.name);
  return names;
}

}  // namespace

const ClassSchema& SystemDriverClass() {
  static const ClassSchema schema{"Win32_SystemDriver", ModuleNames, kProperties};
  return schema;
}

}  // namespace hwident
