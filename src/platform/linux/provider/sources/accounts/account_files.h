#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/provider/machine/machine.h"

namespace hwident {

// One line of /etc/passwd (passwd(5)): NAME:PASSWORD:UID:GID:GECOS:HOME:SHELL.
struct PasswdEntry {
  std::string name;
  std::string password;  // "x" when the password lives in /etc/shadow
  std::uint32_t uid = 0;
  std::uint32_t gid = 0;
  std::string gecos;  // "Full Name,Room,Work phone,Home phone,Other"
};

// One line of /etc/group (group(5)): NAME:PASSWORD:GID:MEMBER,MEMBER...
struct GroupEntry {
  std::string name;
  std::uint32_t gid = 0;
  std::vector<std::string> members;
};

// One line of /etc/shadow (shadow(5)). Day counts are days since 1970-01-01;
// an empty field is nothing.
struct ShadowEntry {
  std::string name;
  std::string password;  // the hash; "!" or "*" first when locked
  std::optional<std::int64_t> minimumDays;
  std::optional<std::int64_t> maximumDays;
  std::optional<std::int64_t> expireDay;
};

// The most entries one file gives; the rest of a longer file is left out.
// Far above any machine's local accounts, it only bounds the work a hostile
// file can cause (the reader already bounds its size).
inline constexpr std::size_t kMaxAccountEntries = 200000;

// Lines without the file's shape (field count, decimal ids below 2^32 - 1,
// an empty name) are skipped, as are NIS "+"/"-" lines. A name given twice
// keeps its first line, as the C library's lookups do.
std::vector<PasswdEntry> ParsePasswd(std::string_view text);
std::vector<GroupEntry> ParseGroup(std::string_view text);
std::vector<ShadowEntry> ParseShadow(std::string_view text);

// The first field of the comment: the account's full name.
std::string FullNameOf(const std::string& gecos);

// The files as one query reads them, parsed once per query.
const std::vector<PasswdEntry>& LocalUsers(Machine& machine);
const std::vector<GroupEntry>& LocalGroups(Machine& machine);
// The shadow entry of a user name. The shadow file is root's alone: for an
// ordinary user it is never opened and every name has nothing, as has a
// name the file does not hold.
const ShadowEntry* ShadowOf(Machine& machine, const std::string& name);

}  // namespace hwident
