#include "platform/linux/provider/sources/accounts/account_files.h"

#include <unordered_map>
#include <unordered_set>

#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

// The fields of one line split at every colon; more than `most` fields
// gives none, so a stray colon cannot shift a field into the next.
std::vector<std::string_view> Fields(std::string_view line, std::size_t most) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t colon = line.find(':', start);
    fields.push_back(line.substr(start, colon == std::string_view::npos ? colon : colon - start));
    if (fields.size() > most) return {};
    if (colon == std::string_view::npos) return fields;
    start = colon + 1;
  }
}

// Walks the lines of a file, handing each (without its newline) to take
// until take has kept kMaxAccountEntries.
template <typename Take>
void EachLine(std::string_view text, Take take) {
  std::size_t kept = 0;
  while (!text.empty() && kept < kMaxAccountEntries) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    // NIS compatibility lines name no local account.
    if (line.empty() || line[0] == '+' || line[0] == '-') continue;
    if (take(line)) ++kept;
  }
}

// A user or group id: decimal, at most 2^32 - 2 (the last is "no id").
std::optional<std::uint32_t> Id(std::string_view text) {
  const auto value = ParseDecimalIn(text, 0, 4294967294LL);
  if (!value || text.empty() || text[0] == '+' || text[0] == '-') return std::nullopt;
  return static_cast<std::uint32_t>(*value);
}

// A shadow day count: empty is nothing; anything but a plain number is
// taken as nothing too, as the shadow tools do with a field they cannot read.
std::optional<std::int64_t> Days(std::string_view text) {
  if (text.empty()) return std::nullopt;
  return ParseDecimalIn(text, -1, 1000000000);
}

}  // namespace

std::vector<PasswdEntry> ParsePasswd(std::string_view text) {
  std::vector<PasswdEntry> entries;
  std::unordered_set<std::string_view> seen;
  EachLine(text, [&](std::string_view line) {
    const std::vector<std::string_view> f = Fields(line, 7);
    if (f.size() != 7 || f[0].empty() || seen.count(f[0]) != 0) return false;
    const auto uid = Id(f[2]);
    const auto gid = Id(f[3]);
    if (!uid || !gid) return false;
    seen.insert(f[0]);
    entries.push_back({std::string(f[0]), std::string(f[1]), *uid, *gid, std::string(f[4])});
    return true;
  });
  return entries;
}

std::vector<GroupEntry> ParseGroup(std::string_view text) {
  std::vector<GroupEntry> entries;
  std::unordered_set<std::string_view> seen;
  EachLine(text, [&](std::string_view line) {
    const std::vector<std::string_view> f = Fields(line, 4);
    if (f.size() != 4 || f[0].empty() || seen.count(f[0]) != 0) return false;
    const auto gid = Id(f[2]);
    if (!gid) return false;
    seen.insert(f[0]);
    GroupEntry entry{std::string(f[0]), *gid, {}};
    std::string_view members = f[3];
    while (!members.empty()) {
      const std::size_t comma = members.find(',');
      const std::string_view member = members.substr(0, comma);
      if (!member.empty()) entry.members.emplace_back(member);
      members.remove_prefix(comma == std::string_view::npos ? members.size() : comma + 1);
    }
    entries.push_back(std::move(entry));
    return true;
  });
  return entries;
}

std::vector<ShadowEntry> ParseShadow(std::string_view text) {
  std::vector<ShadowEntry> entries;
  std::unordered_set<std::string_view> seen;
  EachLine(text, [&](std::string_view line) {
    // Nine fields; the last is reserved and older files leave it out.
    const std::vector<std::string_view> f = Fields(line, 9);
    if (f.size() < 8 || f[0].empty() || seen.count(f[0]) != 0) return false;
    seen.insert(f[0]);
    entries.push_back({std::string(f[0]), std::string(f[1]), Days(f[3]), Days(f[4]), Days(f[7])});
    return true;
  });
  return entries;
}

std::string FullNameOf(const std::string& gecos) {
  return gecos.substr(0, gecos.find(','));
}

const std::vector<PasswdEntry>& LocalUsers(Machine& machine) {
  return machine.Derived<std::vector<PasswdEntry>>("passwd", [&machine] {
    const std::optional<std::string>& text = machine.Raw("/etc/passwd");
    return text ? ParsePasswd(*text) : std::vector<PasswdEntry>{};
  });
}

const std::vector<GroupEntry>& LocalGroups(Machine& machine) {
  return machine.Derived<std::vector<GroupEntry>>("group", [&machine] {
    const std::optional<std::string>& text = machine.Raw("/etc/group");
    return text ? ParseGroup(*text) : std::vector<GroupEntry>{};
  });
}

const ShadowEntry* ShadowOf(Machine& machine, const std::string& name) {
  using Index = std::unordered_map<std::string, ShadowEntry>;
  const Index& index = machine.Derived<Index>("shadow", [&machine] {
    Index byName;
    const std::optional<std::string> text = machine.RootOnlyRaw("/etc/shadow");
    if (!text) return byName;
    for (ShadowEntry& entry : ParseShadow(*text)) {
      std::string key = entry.name;
      byName.emplace(std::move(key), std::move(entry));
    }
    return byName;
  });
  const auto found = index.find(name);
  return found == index.end() ? nullptr : &found->second;
}

}  // namespace hwident
