#include "platform/linux/provider/sources/services/service_units.h"

#include <algorithm>
#include <map>
#include <set>

#include "platform/linux/provider/sources/processes/process_files.h"
#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

// The system unit directories in the service manager's order: a unit file
// in an earlier one hides one of the same name in a later one.
constexpr const char* kUnitDirectories[] = {
    "/run/systemd/transient",      "/etc/systemd/system",     "/run/systemd/system",
    "/run/systemd/generator",      "/usr/lib/systemd/system", "/lib/systemd/system",
    "/run/systemd/generator.late",
};

// Where the service manager keeps its cgroups: the named v1 hierarchy on a
// legacy or hybrid system, the unified tree otherwise.
constexpr const char* kCgroupRoots[] = {"/sys/fs/cgroup/systemd", "/sys/fs/cgroup"};

bool EndsWith(const std::string& text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsServiceName(const std::string& name) {
  return EndsWith(name, ".service") && name.size() > 8 && name.find('/') == std::string::npos;
}

bool IsTemplate(const std::string& name) {
  return EndsWith(name, "@.service");
}

// "getty@.service" for "getty@tty1.service"; nothing for a plain unit.
std::optional<std::string> TemplateOf(const std::string& name) {
  const std::size_t at = name.find('@');
  if (at == std::string::npos || IsTemplate(name)) return std::nullopt;
  return name.substr(0, at) + "@.service";
}

// The unit files of the directories: the first path of each name, the
// names targets want, and the templates.
struct UnitIndex {
  std::map<std::string, std::string> files;  // unit name -> its file's path
  std::set<std::string> wanted;
  std::vector<std::string> names;
};

std::optional<std::string> CgroupRoot(Machine& m) {
  for (const char* root : kCgroupRoots) {
    if (m.Exists(std::string(root) + "/system.slice")) return std::string(root);
  }
  return std::nullopt;
}

const std::optional<std::string>& Cgroups(Machine& m) {
  return m.Derived<std::optional<std::string>>("service-cgroup-root",
                                               [&m] { return CgroupRoot(m); });
}

const UnitIndex& Index(Machine& m) {
  return m.Derived<UnitIndex>("service-units", [&m] {
    UnitIndex index;
    if (!RunsSystemd(m)) return index;
    for (const char* directory : kUnitDirectories) {
      const std::string dir(directory);
      for (const std::string& entry : m.List(dir)) {
        const std::string path = dir + "/" + entry;
        if (EndsWith(entry, ".target.wants") || EndsWith(entry, ".target.requires")) {
          for (const std::string& link : m.List(path)) {
            if (IsServiceName(link) && !IsTemplate(link)) index.wanted.insert(link);
          }
          continue;
        }
        if (!IsServiceName(entry) || index.files.count(entry) != 0) continue;
        // A link to a file of another name is an alias of that unit.
        const auto target = m.ReadLink(path);
        if (target && *target != "/dev/null" && BaseName(*target) != entry) continue;
        index.files.emplace(entry, path);
      }
    }
    std::set<std::string> names;
    for (const auto& [name, path] : index.files) {
      if (!IsTemplate(name)) names.insert(name);
    }
    const auto instance = [&index, &names](const std::string& name) {
      const auto templ = TemplateOf(name);
      if (templ && index.files.count(*templ) != 0 && name.find('@') + 1 < name.size() - 8) {
        names.insert(name);
      }
    };
    for (const std::string& name : index.wanted) instance(name);
    // Instances started on demand (a getty on a second console) run in their
    // template's slice.
    if (const auto& root = Cgroups(m)) {
      const std::string system = *root + "/system.slice";
      for (const std::string& slice : m.List(system)) {
        if (!EndsWith(slice, ".slice")) continue;
        for (const std::string& unit : m.List(system + "/" + slice)) {
          if (IsServiceName(unit)) instance(unit);
        }
      }
    }
    index.names.assign(names.begin(), names.end());
    return index;
  });
}

// The unit's file: its own, or its template's for an instance.
std::optional<std::string> UnitFilePath(const UnitIndex& index, const std::string& unit) {
  auto found = index.files.find(unit);
  if (found == index.files.end()) {
    if (const auto templ = TemplateOf(unit)) found = index.files.find(*templ);
  }
  if (found == index.files.end()) return std::nullopt;
  return found->second;
}

// The drop-ins of the unit, by file name, a name in an earlier directory
// hiding the same name in a later one; an instance's own drop-ins hide its
// template's of the same name. Applied in file-name order.
std::map<std::string, std::string> DropIns(Machine& m, const std::string& unit) {
  std::vector<std::string> names;
  if (const auto templ = TemplateOf(unit)) names.push_back(*templ);
  names.push_back(unit);
  std::map<std::string, std::string> dropIns;
  for (const std::string& name : names) {
    std::map<std::string, std::string> level;
    for (const char* directory : kUnitDirectories) {
      const std::string dir = std::string(directory) + "/" + name + ".d";
      for (const std::string& entry : m.List(dir)) {
        if (EndsWith(entry, ".conf")) level.emplace(entry, dir + "/" + entry);
      }
    }
    for (auto& [entry, path] : level) dropIns[entry] = path;
  }
  return dropIns;
}

}  // namespace

bool RunsSystemd(Machine& machine) {
  return machine.Exists("/run/systemd/system");
}

const std::vector<std::string>& ServiceUnitNames(Machine& machine) {
  return Index(machine).names;
}

const ServiceUnitFiles& ReadServiceUnitFiles(Machine& m, const std::string& unit) {
  return m.Derived<ServiceUnitFiles>("service-files:" + unit, [&m, &unit] {
    const UnitIndex& index = Index(m);
    ServiceUnitFiles files;
    files.wanted = index.wanted.count(unit) != 0;
    const auto path = UnitFilePath(index, unit);
    if (!path) return files;
    const auto target = m.ReadLink(*path);
    const auto& text = m.Raw(*path);
    if ((target && *target == "/dev/null") || (text && text->empty())) {
      files.masked = true;
      return files;
    }
    if (!text) return files;
    ServiceSettings settings;
    ApplyUnitFile(*text, settings);
    for (const auto& [name, dropIn] : DropIns(m, unit)) {
      if (const auto& conf = m.Raw(dropIn)) ApplyUnitFile(*conf, settings);
    }
    files.settings = std::move(settings);
    return files;
  });
}

std::vector<std::int64_t> ParseCgroupProcesses(const std::string& text) {
  std::vector<std::int64_t> processes;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    if (const auto pid =
            ParseDecimalIn(std::string_view(text).substr(start, end - start), 1, kMaxProcessId)) {
      processes.push_back(*pid);
    }
    start = end + 1;
  }
  std::sort(processes.begin(), processes.end());
  processes.erase(std::unique(processes.begin(), processes.end()), processes.end());
  return processes;
}

const ServiceRuntime& ReadServiceRuntime(Machine& m, const std::string& unit) {
  return m.Derived<ServiceRuntime>("service-runtime:" + unit, [&m, &unit] {
    ServiceRuntime runtime;
    const auto& root = Cgroups(m);
    if (!root) return runtime;
    const ServiceUnitFiles& files = ReadServiceUnitFiles(m, unit);
    std::string slice = "system.slice";
    if (const auto templ = TemplateOf(unit)) {
      // The template's slice is named after its prefix, dashes escaped.
      std::string prefix;
      for (const char c : templ->substr(0, templ->size() - 9))
        prefix += c == '-' ? "\\x2d" : std::string(1, c);
      slice = "system-" + prefix + ".slice";
    }
    if (files.settings && files.settings->slice) slice = *files.settings->slice;
    const auto slicePath = SlicePath(slice);
    if (!slicePath) return runtime;
    const std::string directory = *root + (slicePath->empty() ? "" : "/" + *slicePath);
    const auto& procs = m.Raw(directory + "/" + unit + "/cgroup.procs");
    if (!procs) return runtime;
    runtime.processes = ParseCgroupProcesses(*procs);
    for (const std::int64_t pid : runtime.processes) {
      const auto& stat = m.Raw("/proc/" + std::to_string(pid) + "/stat");
      const auto parsed = stat ? ParseProcessStat(*stat) : std::nullopt;
      if (!parsed) continue;
      if (!std::binary_search(runtime.processes.begin(), runtime.processes.end(), parsed->parent)) {
        runtime.mainProcess = pid;
        break;
      }
    }
    return runtime;
  });
}

}  // namespace hwident
