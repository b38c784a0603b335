#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/provider/machine/machine.h"

namespace hwident {

// A logind session record (/run/systemd/sessions/<id>): KEY=VALUE lines,
// "#" lines are comments. A key given twice keeps its last value, as an
// environment file would.
using SessionRecord = std::map<std::string, std::string>;
SessionRecord ParseSessionRecord(std::string_view text);

struct LogonSession {
  std::string id;  // logind's session id: "3", "c1"
  SessionRecord record;
};

// The most sessions one query lists; a machine with more is cut there.
inline constexpr std::size_t kMaxLogonSessions = 4096;

// The sessions logind records, in id order (numeric ids by their number,
// then the others by name). Files that are not a session's record (the
// ".ref" pipes beside them) are left out, as is one that ended while the
// query listed the directory.
const std::vector<LogonSession>& LogonSessions(Machine& machine);

}  // namespace hwident
