// Win32_BootConfiguration: one object, the well-known places of a Linux
// system standing where Windows names its own folders.
#include "platform/linux/provider/classes/provider_classes.h"

#include "platform/linux/provider/sources/storage/mount_table.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

// The folder when the machine has it; null otherwise, rather than a path
// that is not there.
Fact Folder(M& m, const std::string& path) {
  return m.Exists(path) ? Constant(path) : Fact::Null();
}

// Windows names the partition it booted from, as its kernel's device path
// for it; here the device mounted at /boot, or at / when /boot is not a
// mount of its own. The last mount of a point is the one in sight.
Fact BootDevice(M& m, I) {
  const std::optional<std::string>& text = m.Raw("/proc/self/mountinfo");
  if (!text) return Fact::Null();
  std::optional<std::string> boot, root;
  for (const MountEntry& entry : ParseMountInfo(*text)) {
    if (entry.mountPoint == "/boot") boot = entry.source;
    if (entry.mountPoint == "/") root = entry.source;
  }
  const std::optional<std::string>& device = boot ? boot : root;
  if (!device || device->empty() || (*device)[0] != '/') return Fact::Null();
  return Fact::Text(*device);
}

constexpr PropertySchema kProperties[] = {
    // The kernels and the boot loader's files.
    {"BootDirectory", CimType::kString, [](M& m, I) { return Folder(m, "/boot"); }},
    {"Caption", CimType::kString, BootDevice},
    // The system's configuration files.
    {"ConfigurationPath", CimType::kString, [](M& m, I) { return Folder(m, "/etc"); }},
    {"Description", CimType::kString, BootDevice},
    // Linux gives no drive letters.
    {"LastDrive", CimType::kString, [](M&, I) { return Fact::Null(); }},
    // Windows' own name for its one boot configuration.
    {"Name", CimType::kString, [](M&, I) { return Constant("BootConfiguration"); }},
    // The system's temporary folder, which Windows also gives for both.
    {"ScratchDirectory", CimType::kString, [](M& m, I) { return Folder(m, "/tmp"); }},
    {"SettingID", CimType::kString, [](M&, I) { return Fact::Null(); }},
    {"TempDirectory", CimType::kString, [](M& m, I) { return Folder(m, "/tmp"); }},
};

}  // namespace

const ClassSchema& BootConfigurationClass() {
  static const ClassSchema schema{"Win32_BootConfiguration", SingleInstance, kProperties};
  return schema;
}

}  // namespace hwident
