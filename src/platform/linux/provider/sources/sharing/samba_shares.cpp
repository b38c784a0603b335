#include "platform/linux/provider/sources/sharing/samba_shares.h"

#include <cctype>
#include <set>

#include "platform/linux/provider/sources/printing/cups_queues.h"
#include "platform/linux/provider/sources/sharing/samba_config.h"
#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

// The share-level parameters read here, as a section sets them. [global]
// sets the default of every share.
struct ShareSettings {
  std::optional<std::string> path, comment, printable, maxConnections, available;
};

std::string Folded(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

// One pass over the section's parameters; the last value set wins.
ShareSettings Settings(const SambaSection* section, const ShareSettings& defaults) {
  ShareSettings settings = defaults;
  if (section == nullptr) return settings;
  for (const auto& [key, value] : section->parameters) {
    if (key == "path" || key == "directory") settings.path = value;
    if (key == "comment") settings.comment = value;
    if (key == "printable" || key == "printok") settings.printable = value;
    if (key == "maxconnections") settings.maxConnections = value;
    if (key == "available") settings.available = value;
  }
  return settings;
}

// A number Samba reads as an int; zero and below mean no limit.
std::optional<std::int64_t> MaxConnections(const std::optional<std::string>& text) {
  if (!text) return 0;
  const auto value = ParseDecimalIn(*text, -2147483648LL, 2147483647LL);
  if (!value) return std::nullopt;
  return *value < 0 ? 0 : *value;
}

bool Served(const ShareSettings& settings) {
  return !settings.available || SambaBoolean(*settings.available).value_or(true);
}

SambaShare MakeShare(const std::string& name, const ShareSettings& settings) {
  SambaShare share;
  share.name = name;
  share.type = settings.printable && SambaBoolean(*settings.printable).value_or(false)
                   ? kSharePrintQueue
                   : kShareDisk;
  share.path = settings.path;
  // A share without a comment has Samba's default, the empty one.
  share.comment = settings.comment.value_or("");
  share.maxConnections = MaxConnections(settings.maxConnections);
  return share;
}

std::vector<SambaShare> LoadShares(Machine& machine) {
  std::vector<SambaShare> shares;
  const std::optional<SambaConfig>& config = MachineSambaConfig(machine);
  if (!config) return shares;
  const SambaSection* global = FindSambaSection(*config, "global");
  const ShareSettings defaults = Settings(global, {});
  std::set<std::string> named;
  const SambaSection* printers = nullptr;
  for (const SambaSection& section : config->sections) {
    const std::string folded = Folded(section.name);
    if (folded == "global") continue;
    named.insert(folded);
    if (folded == "printers") {
      printers = &section;
      continue;
    }
    const ShareSettings settings = Settings(&section, defaults);
    if (Served(settings)) shares.push_back(MakeShare(section.name, settings));
  }
  // IPC$ takes the global defaults; its comment names the server as
  // `server string` does, "Samba %v" unless set.
  SambaShare ipc;
  ipc.name = "IPC$";
  ipc.type = kShareIpcSpecial;
  const auto serverString = global ? SambaParameter(*global, "server string") : std::nullopt;
  ipc.comment = "IPC Service (" + serverString.value_or("Samba %v") + ")";
  ipc.maxConnections = MaxConnections(defaults.maxConnections);
  shares.push_back(ipc);
  // [printers] stands for every printer of the system; a printer keeps
  // its own description as the share's comment.
  const auto load = global ? SambaParameter(*global, "load printers") : std::nullopt;
  if (printers == nullptr || !(load ? SambaBoolean(*load).value_or(true) : true)) return shares;
  const ShareSettings settings = Settings(printers, defaults);
  if (!Served(settings)) return shares;
  for (const Printer& printer : Printers(machine)) {
    if (!named.insert(Folded(printer.name)).second) continue;
    SambaShare share = MakeShare(printer.name, settings);
    share.type = kSharePrintQueue;
    share.comment = printer.queue ? printer.queue->info.value_or("") : std::optional<std::string>();
    shares.push_back(std::move(share));
  }
  return shares;
}

}  // namespace

const std::vector<SambaShare>& SambaShares(Machine& machine) {
  return machine.Derived<std::vector<SambaShare>>("samba shares",
                                                  [&machine] { return LoadShares(machine); });
}

}  // namespace hwident
