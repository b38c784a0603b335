// Win32_PnPSignedDriver: one object per device with a bound driver.
#include <algorithm>

#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/devices/pnp_devices.h"
#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

std::vector<std::string> Drivers(M& m) {
  std::vector<std::string> keys;
  for (const std::string& key : PnpDeviceKeys(m)) {
    const PnpFacts& facts = ReadPnpFacts(m, key);
    if (facts.driver && facts.pnpDeviceId) keys.push_back(key);
  }
  return keys;
}

std::optional<std::string> Module(M& m, I key) {
  return DriverModule(m, ReadPnpFacts(m, key));
}

// The module's taint flags (/sys/module/M/taint), which only modules
// loaded from files have: "E" unsigned on a kernel that checks signatures,
// "O" built outside the kernel's tree.
std::optional<std::string> Taint(M& m, const std::string& module) {
  return m.Derived<std::optional<std::string>>(
      "module-taint:" + module, [&m, &module]() -> std::optional<std::string> {
        if (!m.Exists("/sys/module/" + module + "/initstate")) return std::nullopt;
        return Trim(m.Text("/sys/module/" + module + "/taint").value_or(""));
      });
}

// A module built apart from the kernel carries its own version; a driver
// built with the kernel has the kernel's release. An out-of-tree module
// without one has none to give.
Fact DriverVersion(M& m, I key) {
  const auto module = Module(m, key);
  if (!module) return Fact::Null();
  if (const auto version = m.Text("/sys/module/" + *module + "/version")) {
    return Fact::Text(*version);
  }
  const auto taint = Taint(m, *module);
  if (taint && taint->find('O') != std::string::npos) return Fact::Null();
  return FactFrom(m.Text("/proc/sys/kernel/osrelease"));
}

// Known only for a module loaded from a file by a kernel that checks
// module signatures (it has the sig_enforce parameter): the kernel marks
// such a module "E" when it carries no valid signature. Drivers built into
// the kernel are no signed files of their own.
Fact IsSigned(M& m, I key) {
  const auto module = Module(m, key);
  const bool checks = m.Derived<bool>(
      "module-signatures", [&m] { return m.Exists("/sys/module/module/parameters/sig_enforce"); });
  if (!module || !checks) return Fact::Null();
  const auto taint = Taint(m, *module);
  if (!taint) return Fact::Null();
  return Fact::Flag(taint->find('E') == std::string::npos);
}

Fact DeviceClass(M& m, I key) {
  const auto& setupClass = ReadPnpFacts(m, key).setupClass;
  if (!setupClass) return Fact::Null();
  // Windows gives the class name in capitals here ("NET", "HIDCLASS").
  return Fact::Text(ToUpper(std::string(setupClass->name)));
}

constexpr PropertySchema kProperties[] = {
    {"ClassGuid", CimType::kString,
     [](M& m, I key) {
       const auto& setupClass = ReadPnpFacts(m, key).setupClass;
       return setupClass ? Fact::Text(std::string(setupClass->guid)) : Fact::Null();
     }},
    {"Description", CimType::kString, [](M& m, I key) { return FactFrom(PnpName(m, key)); }},
    {"DeviceClass", CimType::kString, DeviceClass},
    {"DeviceID", CimType::kString,
     [](M& m, I key) { return FactFrom(ReadPnpFacts(m, key).pnpDeviceId); }},
    {"DeviceName", CimType::kString, [](M& m, I key) { return FactFrom(PnpName(m, key)); }},
    {"DriverName", CimType::kString, [](M& m, I key) { return FactFrom(Module(m, key)); }},
    {"DriverVersion", CimType::kString, DriverVersion},
    {"HardWareID", CimType::kString,
     [](M& m, I key) { return FactFrom(ReadPnpFacts(m, key).hardwareId); }},
    {"IsSigned", CimType::kBoolean, IsSigned},
    {"Manufacturer", CimType::kString,
     [](M& m, I key) { return FactFrom(PnpManufacturer(m, key)); }},
    // Windows' driver store and service manager facts, which Linux modules
    // do not have.
    {"CompatID", CimType::kString, NullFact},
    {"DevLoader", CimType::kString, NullFact},
    {"DriverDate", CimType::kString, NullFact},
    {"DriverProviderName", CimType::kString, NullFact},
    {"FriendlyName", CimType::kString, NullFact},
    {"InfName", CimType::kString, NullFact},
    {"InstallDate", CimType::kDatetime, NullFact},
    {"Location", CimType::kString, NullFact},
    {"Name", CimType::kString, NullFact},
    {"PDO", CimType::kString, NullFact},
    {"Signer", CimType::kString, NullFact},
    {"Started", CimType::kBoolean, NullFact},
    {"StartMode", CimType::kString, NullFact},
    {"Status", CimType::kString, NullFact},
    {"SystemCreationClassName", CimType::kString, NullFact},
    {"SystemName", CimType::kString, NullFact},
};

}  // namespace

const ClassSchema& PnpSignedDriverClass() {
  static const ClassSchema schema{"Win32_PnPSignedDriver", Drivers, kProperties};
  return schema;
}

}  // namespace hwident
