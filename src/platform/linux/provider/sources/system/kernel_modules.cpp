#include "platform/linux/provider/sources/system/kernel_modules.h"

#include <algorithm>

#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

bool IsModuleName(std::string_view name) {
  return !name.empty() && name.size() <= kMaxModuleName &&
         std::all_of(name.begin(), name.end(), [](char c) {
           return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '_' || c == '-';
         });
}

// The fields of a line split at blanks.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  while (!line.empty()) {
    const std::size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos) break;
    line.remove_prefix(start);
    const std::size_t end = std::min(line.find(' '), line.size());
    fields.push_back(line.substr(0, end));
    line.remove_prefix(end);
  }
  return fields;
}

// A release names a directory below /lib/modules: nothing that climbs out
// of it or runs past the 64 characters uname holds.
bool IsRelease(const std::string& release) {
  return !release.empty() && release.size() <= 64 && release != "." && release != ".." &&
         release.find('/') == std::string::npos && release.find('\0') == std::string::npos;
}

}  // namespace

std::vector<LoadedModule> ParseProcModules(std::string_view text) {
  std::vector<LoadedModule> modules;
  while (!text.empty() && modules.size() < kMaxLoadedModules) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::vector<std::string_view> fields = Fields(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
    // NAME SIZE USES DEPS STATE ADDRESS [TAINTS]
    if (fields.size() < 5 || !IsModuleName(fields[0])) continue;
    const std::string_view state = fields[4];
    if (state != "Live" && state != "Loading" && state != "Unloading") continue;
    LoadedModule module{std::string(fields[0]), std::string(state), false};
    module.removable = ParseDecimalIn(fields[2], 0, 0).has_value() &&
                       fields[3].find("[permanent]") == std::string_view::npos;
    modules.push_back(std::move(module));
  }
  return modules;
}

std::optional<std::string> ModuleNameOfFile(std::string_view path) {
  std::string_view name = path.substr(path.rfind('/') + 1);
  for (const std::string_view suffix : {".xz", ".zst", ".gz"}) {
    if (name.size() > suffix.size() && name.substr(name.size() - suffix.size()) == suffix) {
      name.remove_suffix(suffix.size());
      break;
    }
  }
  if (name.size() < 4 || name.substr(name.size() - 3) != ".ko") return std::nullopt;
  name.remove_suffix(3);
  if (!IsModuleName(name)) return std::nullopt;
  std::string module(name);
  std::replace(module.begin(), module.end(), '-', '_');
  return module;
}

std::map<std::string, std::string> ParseModulesDep(std::string_view text,
                                                   const std::set<std::string>& wanted) {
  std::map<std::string, std::string> paths;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) continue;
    const std::string_view file = line.substr(0, colon);
    const auto name = ModuleNameOfFile(file);
    // The first line of a name counts, as modprobe takes it.
    if (name && wanted.count(*name) != 0 && paths.count(*name) == 0) {
      paths.emplace(*name, std::string(file));
    }
  }
  return paths;
}

const std::vector<LoadedModule>& LoadedModules(Machine& machine) {
  return machine.Derived<std::vector<LoadedModule>>("loaded modules", [&machine] {
    const std::optional<std::string>& text = machine.Raw("/proc/modules");
    std::vector<LoadedModule> modules =
        text ? ParseProcModules(*text) : std::vector<LoadedModule>{};
    std::stable_sort(modules.begin(), modules.end(),
                     [](const LoadedModule& a, const LoadedModule& b) { return a.name < b.name; });
    // A name is loaded once; a repeated line is no second module.
    modules.erase(
        std::unique(modules.begin(), modules.end(),
                    [](const LoadedModule& a, const LoadedModule& b) { return a.name == b.name; }),
        modules.end());
    return modules;
  });
}

const LoadedModule* FindLoadedModule(Machine& machine, const std::string& name) {
  const std::vector<LoadedModule>& modules = LoadedModules(machine);
  const auto found = std::lower_bound(
      modules.begin(), modules.end(), name,
      [](const LoadedModule& module, const std::string& n) { return module.name < n; });
  return found != modules.end() && found->name == name ? &*found : nullptr;
}

std::optional<std::string> LoadedModulePath(Machine& machine, const std::string& name) {
  using Paths = std::map<std::string, std::string>;
  const Paths& paths = machine.Derived<Paths>("module paths", [&machine] {
    const std::string release = Trim(machine.Text("/proc/sys/kernel/osrelease").value_or(""));
    if (!IsRelease(release)) return Paths{};
    const std::string directory = "/lib/modules/" + release + "/";
    const std::optional<std::string>& dep = machine.Raw(directory + "modules.dep");
    if (!dep) return Paths{};
    std::set<std::string> wanted;
    for (const LoadedModule& module : LoadedModules(machine)) wanted.insert(module.name);
    Paths found = ParseModulesDep(*dep, wanted);
    for (auto& [module, file] : found) {
      if (file.front() != '/') file = directory + file;
    }
    return found;
  });
  const auto found = paths.find(name);
  if (found == paths.end()) return std::nullopt;
  return found->second;
}

}  // namespace hwident
