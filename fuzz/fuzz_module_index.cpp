// The loaded modules and the module index: /proc/modules, then a NUL, then
// modules.dep. Straight through the parsers, then through
// Win32_SystemDriver on a machine holding both files.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "fuzz_machine_support.h"
#include "platform/heap/heap_values.h"
#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/service/class_schema.h"
#include "platform/linux/provider/sources/system/kernel_modules.h"
#include "platform/linux/provider/values/cim_value.h"

namespace {

void Check(bool rule) {
  if (!rule) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = std::min(input.find('\0'), input.size());
  const std::string_view loaded = input.substr(0, split);
  const std::string_view dep = input.substr(std::min(split + 1, input.size()));

  const auto modules = hwident::ParseProcModules(loaded);
  Check(modules.size() <= hwident::kMaxLoadedModules);
  std::set<std::string> names;
  for (const hwident::LoadedModule& module : modules) {
    Check(!module.name.empty() && module.name.size() <= hwident::kMaxModuleName);
    Check(module.name.find_first_of(" \n\t/:") == std::string::npos);
    names.insert(module.name);
  }
  for (const auto& [name, path] : hwident::ParseModulesDep(dep, names)) {
    Check(names.count(name) == 1 && !path.empty());
    Check(hwident::ModuleNameOfFile(path) == name);
  }

  hwident::MemorySourceReader reader;
  reader.AddFile("/proc/modules", std::string(loaded));
  reader.AddFile("/proc/sys/kernel/osrelease", "6.1.0-18-amd64\n");
  reader.AddFile("/lib/modules/6.1.0-18-amd64/modules.dep", std::string(dep));
  const hwident::fuzz::PickedLiveFacts live(4);
  hwident::Machine machine(reader, live);
  const hwident::ClassSchema* schema = hwident::FindProviderClass("Win32_SystemDriver");
  Check(schema != nullptr);
  const auto instances = schema->instances(machine);
  Check(instances.size() <= names.size());
  for (const std::string& instance : instances) {
    for (const hwident::PropertySchema& property : schema->properties) {
      hwident::Variant value =
          hwident::CimToVariant(property.type, property.read(machine, instance));
      hwident::HeapClearValue(&value);
    }
  }
  return 0;
}
