#include "platform/linux/provider/sources/display/drm_outputs.h"

#include <algorithm>
#include <limits>
#include <tuple>

#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {
namespace {

const std::string kDrmClass = "/sys/class/drm/";

// "card0-eDP-1" -> 0 and "eDP-1"; nothing for "card0", "renderD128" or
// "version".
std::optional<std::pair<int, std::string>> SplitOutputName(const std::string& name) {
  if (name.compare(0, 4, "card") != 0) return std::nullopt;
  const std::size_t dash = name.find('-');
  if (dash == std::string::npos || dash == 4 || dash + 1 == name.size()) return std::nullopt;
  const auto card = ParseDecimal(name.substr(4, dash - 4));
  if (!card || *card > 1 << 20) return std::nullopt;
  return std::make_pair(static_cast<int>(*card), name.substr(dash + 1));
}

// Card order, then the kernel's connector order (connector_id, where the
// kernel publishes it: a notebook's own panel comes first), then name.
void SortOutputs(Machine& machine, std::vector<std::string>* names) {
  const auto key = [&machine](const std::string& name) {
    const auto id = machine.Text(kDrmClass + name + "/connector_id");
    const auto number = id ? ParseDecimal(*id) : std::nullopt;
    return std::make_tuple(SplitOutputName(name)->first,
                           number.value_or(std::numeric_limits<std::int64_t>::max()), name);
  };
  std::vector<std::pair<decltype(key(std::string())), std::string>> keyed;
  for (const std::string& name : *names) keyed.emplace_back(key(name), name);
  std::sort(keyed.begin(), keyed.end());
  names->clear();
  for (auto& entry : keyed) names->push_back(std::move(entry.second));
}

// "1920x1080", or "1920x1080i" for an interlaced mode.
bool ParseMode(const std::string& line, int* width, int* height, bool* interlaced) {
  const std::size_t x = line.find('x');
  if (x == std::string::npos) return false;
  std::size_t end = x + 1;
  while (end < line.size() && line[end] >= '0' && line[end] <= '9') ++end;
  const auto w = ParseDecimal(line.substr(0, x));
  const auto h = ParseDecimal(line.substr(x + 1, end - x - 1));
  if (!w || !h || *w <= 0 || *h <= 0 || *w > 1 << 16 || *h > 1 << 16) return false;
  *width = static_cast<int>(*w);
  *height = static_cast<int>(*h);
  *interlaced = end < line.size() && line[end] == 'i';
  return true;
}

}  // namespace

std::vector<std::string> DrmOutputNames(Machine& machine) {
  std::vector<std::string> names;
  for (const std::string& name : machine.List(kDrmClass)) {
    if (SplitOutputName(name)) names.push_back(name);
  }
  SortOutputs(machine, &names);
  return names;
}

// A card belongs to the PCI function when its device is the function or
// sits below it: virtio-gpu's card hangs off the virtio device, a child of
// the PCI function, rather than off the function itself.
std::vector<std::string> DrmOutputNamesOfPci(Machine& machine, const std::string& address) {
  const auto pci = machine.Resolve("/sys/bus/pci/devices/" + address);
  std::vector<std::string> names;
  if (!pci) return names;
  std::vector<int> cards;
  for (const std::string& entry : machine.List(kDrmClass)) {
    if (entry.compare(0, 4, "card") != 0 || entry.find('-') != std::string::npos) continue;
    const auto card = ParseDecimal(entry.substr(4));
    const auto device = machine.Resolve(kDrmClass + entry + "/device");
    if (!card || !device) continue;
    if (*device == *pci || device->compare(0, pci->size() + 1, *pci + "/") == 0) {
      cards.push_back(static_cast<int>(*card));
    }
  }
  for (const std::string& name : DrmOutputNames(machine)) {
    if (std::find(cards.begin(), cards.end(), SplitOutputName(name)->first) != cards.end()) {
      names.push_back(name);
    }
  }
  return names;
}

std::optional<DrmOutput> ReadDrmOutput(Machine& machine, const std::string& name) {
  const auto split = SplitOutputName(name);
  if (!split) return std::nullopt;
  const std::string dir = kDrmClass + name + "/";
  DrmOutput output;
  output.name = name;
  output.card = split->first;
  output.connector = split->second;
  output.connected = machine.Text(dir + "status") == "connected";
  output.enabled = machine.Text(dir + "enabled") == "enabled";
  if (const auto& modes = machine.Raw(dir + "modes")) {
    int width = 0, height = 0;
    bool interlaced = false;
    if (ParseMode(modes->substr(0, modes->find('\n')), &width, &height, &interlaced)) {
      output.width = width;
      output.height = height;
      output.interlaced = interlaced;
    }
  }
  const auto& edid = machine.Raw(dir + "edid");
  if (edid && !edid->empty()) output.edid = *edid;
  return output;
}

std::optional<DrmOutput> ActiveOutput(Machine& machine, const std::string& pciAddress) {
  for (const std::string& name : DrmOutputNamesOfPci(machine, pciAddress)) {
    auto output = ReadDrmOutput(machine, name);
    if (output && output->connected && output->enabled && output->width) return output;
  }
  return std::nullopt;
}

std::optional<int> OutputRefreshRate(const DrmOutput& output) {
  if (!output.edid) return std::nullopt;
  const auto edid = ParseEdid(*output.edid);
  if (!edid || !edid->preferred || edid->preferred->refreshHz == 0) return std::nullopt;
  const EdidTiming& preferred = *edid->preferred;
  if (preferred.width != output.width || preferred.height != output.height ||
      preferred.interlaced != output.interlaced) {
    return std::nullopt;
  }
  return preferred.refreshHz;
}

}  // namespace hwident
