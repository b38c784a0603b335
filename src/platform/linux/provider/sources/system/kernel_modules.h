#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/provider/machine/machine.h"

namespace hwident {

// One line of /proc/modules.
struct LoadedModule {
  std::string name;   // "snd_hda_intel"
  std::string state;  // "Live", "Loading", "Unloading"
  // Nothing uses it and it may be removed: a use count of 0, without the
  // [permanent] mark of a module that has no exit function. A kernel built
  // without module unloading prints "-" for the count.
  bool removable = false;
};

// More modules than a kernel loads; the rest of a longer file is not read.
inline constexpr std::size_t kMaxLoadedModules = 8192;
// The longest module name the kernel keeps (MODULE_NAME_LEN less its NUL).
inline constexpr std::size_t kMaxModuleName = 55;

// The modules of /proc/modules in the file's order, at most
// kMaxLoadedModules. A line without a valid name and state is skipped.
std::vector<LoadedModule> ParseProcModules(std::string_view text);

// The name a module file is loaded under: its file name without the .ko
// and compression suffixes, dashes made underscores
// ("kernel/drivers/hid/hid-generic.ko.xz" -> "hid_generic"); nothing when
// the path names no module file.
std::optional<std::string> ModuleNameOfFile(std::string_view path);

// The files of the wanted modules, from modules.dep's "FILE: DEPS" lines,
// as they are written (relative to the release's directory, or absolute as
// older tools wrote them).
std::map<std::string, std::string> ParseModulesDep(std::string_view text,
                                                   const std::set<std::string>& wanted);

// The loaded modules ordered by name, read once per query.
const std::vector<LoadedModule>& LoadedModules(Machine& machine);
const LoadedModule* FindLoadedModule(Machine& machine, const std::string& name);
// The full path of a loaded module's file, from the running kernel's
// modules.dep; nothing for a module the index does not list.
std::optional<std::string> LoadedModulePath(Machine& machine, const std::string& name);

}  // namespace hwident
