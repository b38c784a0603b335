#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hwident {

// The longest logical line of a unit file (continuations joined) that is
// read, as the service manager itself allows; a longer one is skipped.
inline constexpr std::size_t kMaxUnitLineBytes = 1024 * 1024;

// The settings of a service unit the service classes show, after its unit
// file and drop-ins. Values are as written, specifiers not yet expanded.
struct ServiceSettings {
  std::optional<std::string> description;       // [Unit] Description=
  std::vector<std::string> execStart;           // [Service] ExecStart=, in order
  std::optional<std::string> user;              // [Service] User=
  std::optional<std::string> dynamicUser;       // [Service] DynamicUser=
  std::optional<std::string> slice;             // [Service] Slice=
  std::optional<std::string> refuseManualStop;  // [Unit] RefuseManualStop=
};

// Applies one unit file or drop-in over what earlier ones set: a later
// assignment replaces an earlier one, ExecStart= adds to the list and an
// empty ExecStart= clears it. Comments ('#', ';'), continued lines (a
// trailing backslash) and any other section or key are handled or skipped
// as the service manager does.
void ApplyUnitFile(std::string_view text, ServiceSettings& settings);

// A unit file boolean: 1/yes/y/true/t/on and their opposites, letter case
// ignored; nothing for anything else.
std::optional<bool> UnitBoolean(std::string_view text);

// The command an ExecStart= line runs, without the prefix characters that
// change how it runs ('@', '-', ':', '+', '!'); after '@' the word that
// follows the program is the name it is started under, and is left out.
std::string ExecCommand(std::string_view line);

// Expands the specifiers the service shows for a unit named name
// ("getty@tty1.service"): %n %N %p %P %i %I %f and %%; any other is left as
// written.
std::string ExpandSpecifiers(std::string_view text, std::string_view name);

// The cgroup path of a slice below the cgroup root: "system-getty.slice" is
// "system.slice/system-getty.slice"; "-.slice" is the root itself ("").
// Nothing for a name that is not a slice.
std::optional<std::string> SlicePath(std::string_view slice);

}  // namespace hwident
