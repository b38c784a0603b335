#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/linux/provider/machine/live_facts.h"
#include "platform/linux/provider/machine/source_reader.h"

namespace hwident {

// What one query reads the machine through: the files below the root, each
// read at most once per query, and the live facts. Made when a query runs
// and dropped with its results, so nothing is read at connection time and
// each query sees fresh values.
class Machine {
 public:
  Machine(SourceReader& reader, const LiveFacts& live) : reader_(reader), live_(live) {}

  // The file as it is; nothing when missing or unreadable.
  const std::optional<std::string>& Raw(const std::string& path);
  // The file read now and not kept: for files one query reads once each
  // (a process's own files, thousands on a busy machine), where keeping
  // them would only cost memory and lookups. Callers read such a file at
  // most once per query themselves.
  std::optional<std::string> ReadOnce(const std::string& path);
  // The file with the one newline sysfs ends every attribute with removed.
  std::optional<std::string> Text(const std::string& path);
  // Text, but nothing unless running as root: the kernel makes these files
  // mode 0400, and an ordinary user gets null rather than an error.
  std::optional<std::string> RootOnlyText(const std::string& path);
  // Raw, under the same rule as RootOnlyText, for binary tables.
  std::optional<std::string> RootOnlyRaw(const std::string& path);
  // A DMI identity attribute (/sys/class/dmi/id/NAME), 0444 ones.
  std::optional<std::string> Dmi(const std::string& name) { return Text(kDmiDirectory + name); }
  bool HasDmi() { return reader_.Exists("/sys/class/dmi/id"); }

  // The file read a second time, milliseconds after its first reading
  // (Raw), for counters measured over an interval. One query waits once
  // per file however many objects ask.
  const std::optional<std::string>& RawLater(const std::string& path, int milliseconds);

  std::vector<std::string> List(const std::string& path) { return reader_.List(path); }
  std::optional<std::vector<std::string>> Entries(const std::string& path) {
    return reader_.Entries(path);
  }
  std::optional<std::string> ReadLink(const std::string& path) { return reader_.ReadLink(path); }
  bool Exists(const std::string& path) { return reader_.Exists(path); }
  // Links resolved once per query: each class walks the same device paths.
  std::optional<std::string> Resolve(const std::string& path);
  const LiveFacts& Live() const { return live_; }

  // The live answers, asked once per query.
  const std::vector<InterfaceAddress>& Addresses();
  const std::optional<FileSystemSpace>& Space(const std::string& mountPoint);

  // A value made from the machine's files once per query and kept with it:
  // a parsed table many properties read. key names what make builds.
  template <typename T, typename Make>
  const T& Derived(const std::string& key, Make make) {
    auto found = derived_.find(key);
    if (found == derived_.end()) found = derived_.emplace(key, std::make_shared<T>(make())).first;
    return *static_cast<const T*>(found->second.get());
  }

  static inline const std::string kDmiDirectory = "/sys/class/dmi/id/";

 private:
  SourceReader& reader_;
  const LiveFacts& live_;
  // Hashed: a query of a few hundred devices asks for thousands of paths
  // and derived keys that share long prefixes ("/sys/bus/pci/devices/0000:"),
  // which an ordered map would compare again at every step of every look-up.
  std::unordered_map<std::string, std::optional<std::string>> files_;
  std::map<std::string, std::optional<std::string>> laterFiles_;
  std::unordered_map<std::string, std::optional<std::string>> resolved_;
  std::unordered_map<std::string, std::shared_ptr<void>> derived_;
  std::optional<std::vector<InterfaceAddress>> addresses_;
  std::map<std::string, std::optional<FileSystemSpace>> spaces_;
};

}  // namespace hwident
