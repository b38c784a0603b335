// The parsers of the account, session, swap and environment files, each
// straight on the input with the rules their results must keep, and the
// classes built on them over a machine holding the input. One byte picks
// the parser, one the live facts (root or not among them); the rest is the
// file (classes reading several files take them split at NULs, in the
// order they name them).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_machine_support.h"
#include "platform/heap/heap_values.h"
#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/service/class_schema.h"
#include "platform/linux/provider/sources/accounts/account_files.h"
#include "platform/linux/provider/sources/accounts/logon_sessions.h"
#include "platform/linux/provider/sources/system/environment_file.h"
#include "platform/linux/provider/sources/system/swap_areas.h"
#include "platform/linux/provider/values/cim_value.h"

namespace {

using hwident::fuzz::AddFiles;
using hwident::fuzz::PickedLiveFacts;
using hwident::fuzz::ReadEveryProperty;

void Check(bool rule) {
  if (!rule) std::abort();
}

// Every property of one class over a machine holding the files given.
void ReadClass(const std::string& className, const std::vector<std::string>& paths,
               std::string_view files, std::uint8_t pick) {
  hwident::MemorySourceReader reader;
  AddFiles(reader, paths, files);
  const PickedLiveFacts live(pick);
  Check(ReadEveryProperty(reader, live, className));
}

// A field never holds the separator it was cut at.
void NoSeparator(const std::string& field, char separator) {
  Check(field.find(separator) == std::string::npos && field.find('\n') == std::string::npos);
}

void Passwd(const std::string& text) {
  const auto entries = hwident::ParsePasswd(text);
  Check(entries.size() <= hwident::kMaxAccountEntries);
  std::set<std::string> names;
  for (const hwident::PasswdEntry& entry : entries) {
    Check(!entry.name.empty() && names.insert(entry.name).second);
    Check(entry.uid != 4294967295u && entry.gid != 4294967295u);
    for (const std::string* field : {&entry.name, &entry.password, &entry.gecos}) {
      NoSeparator(*field, ':');
    }
    Check(hwident::FullNameOf(entry.gecos).size() <= entry.gecos.size());
  }
}

void Group(const std::string& text) {
  const auto entries = hwident::ParseGroup(text);
  Check(entries.size() <= hwident::kMaxAccountEntries);
  std::set<std::string> names;
  for (const hwident::GroupEntry& entry : entries) {
    Check(!entry.name.empty() && names.insert(entry.name).second);
    NoSeparator(entry.name, ':');
    for (const std::string& member : entry.members) {
      Check(!member.empty());
      NoSeparator(member, ',');
      NoSeparator(member, ':');
    }
  }
}

void Shadow(const std::string& text) {
  const auto entries = hwident::ParseShadow(text);
  Check(entries.size() <= hwident::kMaxAccountEntries);
  std::set<std::string> names;
  for (const hwident::ShadowEntry& entry : entries) {
    Check(!entry.name.empty() && names.insert(entry.name).second);
    NoSeparator(entry.password, ':');
    for (const auto& days : {entry.minimumDays, entry.maximumDays, entry.expireDay}) {
      if (days) Check(*days >= -1);
    }
  }
}

void Session(const std::string& text) {
  for (const auto& [key, value] : hwident::ParseSessionRecord(text)) {
    Check(!key.empty() && key[0] != '#');
    NoSeparator(key, '=');
    Check(value.find('\n') == std::string::npos);
  }
}

void Swaps(const std::string& text) {
  const auto areas = hwident::ParseSwaps(text);
  Check(areas.size() <= hwident::kMaxSwapAreas);
  for (const hwident::SwapArea& area : areas) Check(area.usedKb <= area.sizeKb);
}

void Environment(const std::string& text) {
  const auto variables = hwident::ParseEnvironmentFile(text);
  Check(variables.size() <= hwident::kMaxEnvironmentVariables);
  std::set<std::string> names;
  for (const hwident::EnvironmentVariable& variable : variables) {
    Check(!variable.name.empty() && names.insert(variable.name).second);
    for (char c : variable.name) {
      Check((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_');
    }
    Check(variable.value.find('#') == std::string::npos);
    Check(variable.value.find('\n') == std::string::npos);
  }
}

void UserAccount(const std::string& text, std::uint8_t pick) {
  ReadClass("Win32_UserAccount", {"/etc/passwd", "/etc/shadow", "/proc/sys/kernel/hostname"}, text,
            pick);
}

void GroupClass(const std::string& text, std::uint8_t pick) {
  ReadClass("Win32_Group", {"/etc/group", "/proc/sys/kernel/hostname"}, text, pick);
}

// Two sessions, one with a numeric id and one with a lettered one.
void LogonSession(const std::string& text, std::uint8_t pick) {
  ReadClass("Win32_LogonSession", {"/run/systemd/sessions/2", "/run/systemd/sessions/c1"}, text,
            pick);
}

void PageFiles(const std::string& text, std::uint8_t pick) {
  ReadClass("Win32_PageFileUsage", {"/proc/swaps"}, text, pick);
  ReadClass("Win32_PageFileSetting", {"/proc/swaps"}, text, pick);
}

void BootAndEnvironment(const std::string& text, std::uint8_t pick) {
  ReadClass("Win32_BootConfiguration", {"/proc/self/mountinfo"}, text, pick);
  ReadClass("Win32_Environment", {"/etc/environment"}, text, pick);
}

template <void (*Parse)(const std::string&)>
void Alone(const std::string& text, std::uint8_t) {
  Parse(text);
}

// Indexed by the input's first byte; seeds depend on the order.
constexpr void (*kParsers[])(const std::string&, std::uint8_t) = {
    Alone<Passwd>, Alone<Group>,       Alone<Shadow>,      Alone<Session>,
    Alone<Swaps>,  Alone<Environment>, UserAccount,        GroupClass,
    LogonSession,  PageFiles,          BootAndEnvironment,
};

}  // namespace

// Input: the parser's number, a byte of live facts, then the file(s).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);
  kParsers[data[0] % std::size(kParsers)](text, data[1]);
  return 0;
}
