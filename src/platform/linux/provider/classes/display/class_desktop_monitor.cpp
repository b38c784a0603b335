// Win32_DesktopMonitor: one object per connected output with an EDID.
#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/display/drm_outputs.h"
#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

std::vector<std::string> Monitors(M& m) {
  std::vector<std::string> names;
  for (const std::string& name : DrmOutputNames(m)) {
    const auto output = ReadDrmOutput(m, name);
    if (output && output->connected && output->edid) names.push_back(name);
  }
  return names;
}

template <typename Read>
Fact WithMonitor(M& m, I name, Read read) {
  const auto output = ReadDrmOutput(m, name);
  if (!output) return Fact::Null();
  const auto edid = output->edid ? ParseEdid(*output->edid) : std::nullopt;
  return read(*output, edid);
}

using Edid = std::optional<EdidIdentity>;

Fact DeviceId(M& m, I name) {
  const std::vector<std::string> all = Monitors(m);
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i] == name) return Fact::Text("DesktopMonitor" + std::to_string(i + 1));
  }
  return Fact::Null();
}

// The monitor's own name; Windows calls a monitor without one, driven by
// its generic driver, "Generic PnP Monitor". An EDID that cannot be trusted
// names nothing.
Fact Name(M& m, I name) {
  return WithMonitor(m, name, [](const DrmOutput&, const Edid& edid) {
    if (!edid) return Fact::Null();
    return Fact::Text(edid->name.value_or("Generic PnP Monitor"));
  });
}

// Null, with the hardware id built from it, for a maker id whose codes are
// not letters; the rest of the EDID still counts.
Fact Maker(M& m, I name) {
  return WithMonitor(m, name, [](const DrmOutput&, const Edid& edid) {
    return edid ? FactFrom(edid->maker) : Fact::Null();
  });
}

// DISPLAY\<maker><product>\<instance>. Windows' instance part hashes the
// adapter's path; this one names the card and the output, upper-cased as
// Windows shows ids: DISPLAY\CMN14D6\0&EDP-1.
Fact PnpDeviceId(M& m, I name) {
  return WithMonitor(m, name, [](const DrmOutput& output, const Edid& edid) {
    const auto hardwareId = edid ? EdidHardwareId(*edid) : std::nullopt;
    if (!hardwareId) return Fact::Null();
    return Fact::Text(
        ToUpper(*hardwareId + "\\" + std::to_string(output.card) + "&" + output.connector));
  });
}

template <std::optional<int> DrmOutput::*Field>
Fact ScreenSize(M& m, I name) {
  return WithMonitor(m, name, [](const DrmOutput& output, const Edid&) {
    return output.*Field ? Fact::Number(*(output.*Field)) : Fact::Null();
  });
}

// 3 running; 8 off line: connected but not showing a picture.
Fact Availability(M& m, I name) {
  return WithMonitor(m, name, [](const DrmOutput& output, const Edid&) {
    return Fact::Number(output.enabled ? 3 : 8);
  });
}

constexpr PropertySchema kProperties[] = {
    {"Availability", CimType::kUint16, Availability},
    {"Caption", CimType::kString, Name},
    {"Description", CimType::kString, Name},
    {"DeviceID", CimType::kString, DeviceId},
    {"MonitorManufacturer", CimType::kString, Maker},
    {"MonitorType", CimType::kString, Name},
    {"Name", CimType::kString, Name},
    {"PNPDeviceID", CimType::kString, PnpDeviceId},
    {"ScreenHeight", CimType::kUint32, ScreenSize<&DrmOutput::height>},
    {"ScreenWidth", CimType::kUint32, ScreenSize<&DrmOutput::width>},
    // The monitor works whether or not its EDID can be trusted: the kernel
    // falls back to modes of its own.
    {"Status", CimType::kString, [](M&, I) { return Constant("OK"); }},
};

}  // namespace

const ClassSchema& DesktopMonitorClass() {
  static const ClassSchema schema{"Win32_DesktopMonitor", Monitors, kProperties};
  return schema;
}

}  // namespace hwident
