#include "platform/linux/provider/sources/accounts/logon_sessions.h"

#include <algorithm>

namespace hwident {
namespace {

bool AllDigits(const std::string& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Numeric ids by their number (a shorter run of digits is smaller), then
// logind's lettered ids ("c1") by name.
bool IdBefore(const std::string& a, const std::string& b) {
  const bool numberA = AllDigits(a), numberB = AllDigits(b);
  if (numberA != numberB) return numberA;
  if (numberA && a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

}  // namespace

SessionRecord ParseSessionRecord(std::string_view text) {
  SessionRecord record;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    const std::size_t equals = line.find('=');
    if (line.empty() || line[0] == '#' || equals == std::string_view::npos || equals == 0) {
      continue;
    }
    record[std::string(line.substr(0, equals))] = std::string(line.substr(equals + 1));
  }
  return record;
}

const std::vector<LogonSession>& LogonSessions(Machine& machine) {
  return machine.Derived<std::vector<LogonSession>>("logon-sessions", [&machine] {
    std::vector<LogonSession> sessions;
    std::vector<std::string> ids = machine.List("/run/systemd/sessions");
    // A session id is letters and digits; anything else beside them is not
    // a record.
    ids.erase(std::remove_if(ids.begin(), ids.end(),
                             [](const std::string& id) {
                               return !std::all_of(id.begin(), id.end(), [](char c) {
                                 return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                                        (c >= 'A' && c <= 'Z');
                               });
                             }),
              ids.end());
    std::sort(ids.begin(), ids.end(), IdBefore);
    if (ids.size() > kMaxLogonSessions) ids.resize(kMaxLogonSessions);
    for (const std::string& id : ids) {
      const std::optional<std::string>& text = machine.Raw("/run/systemd/sessions/" + id);
      if (!text) continue;
      sessions.push_back({id, ParseSessionRecord(*text)});
    }
    return sessions;
  });
}

}  // namespace hwident
