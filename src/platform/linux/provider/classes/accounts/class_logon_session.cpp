// Win32_LogonSession: the login sessions logind records, in id order.
#include "platform/linux/provider/classes/provider_classes.h"

#include "platform/linux/provider/sources/accounts/logon_sessions.h"
#include "platform/linux/provider/values/dmtf_time.h"
#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

std::vector<std::string> Instances(M& m) {
  std::vector<std::string> keys;
  for (const LogonSession& session : LogonSessions(m)) keys.push_back(session.id);
  return keys;
}

template <Fact (*Read)(M&, const LogonSession&)>
Fact Of(M& m, I key) {
  for (const LogonSession& session : LogonSessions(m)) {
    if (session.id == key) return Read(m, session);
  }
  return Fact::Null();
}

std::optional<std::string> Value(const LogonSession& session, const std::string& key) {
  const auto found = session.record.find(key);
  if (found == session.record.end()) return std::nullopt;
  return found->second;
}

Fact LogonId(M&, const LogonSession& session) {
  return Fact::Text(session.id);
}

// logind's class and kind of session, in Windows' logon types: a user's
// session from another machine (ssh, a remote desktop) is remote
// interactive (10), one at the machine's own seat or console interactive
// (2), a background session (cron and other jobs run for the user) batch
// (4). Newer logind splits the classes further ("user-early",
// "background-light"), which keep their family's type. Greeter and
// lock-screen sessions belong to the display manager, which Windows runs as
// the system without a logon type of its own, and a user's service manager
// ("manager") is no logon: null for those.
Fact LogonType(M&, const LogonSession& session) {
  const std::string kind = Value(session, "CLASS").value_or("");
  const auto family = [&kind](std::string_view name) {
    return kind == name || kind.compare(0, name.size() + 1, std::string(name) + "-") == 0;
  };
  if (family("background")) return Constant("4");
  if (!family("user")) return Fact::Null();
  if (Value(session, "REMOTE") == "1") return Constant("10");
  const std::string type = Value(session, "TYPE").value_or("");
  if (type == "tty" || type == "x11" || type == "wayland" || type == "mir") return Constant("2");
  return Fact::Null();
}

// REALTIME is the start in microseconds since the epoch.
Fact StartTime(M& m, const LogonSession& session) {
  const auto text = Value(session, "REALTIME");
  const auto micro = text ? ParseDecimalIn(*text, 0, INT64_MAX) : std::nullopt;
  if (!micro || !DmtfMicroseconds(*micro / 1000000)) return Fact::Null();
  const std::int64_t seconds = *micro / 1000000;
  return Fact::Text(EpochToDmtf(*micro, m.Live().UtcOffsetMinutes(seconds)));
}

constexpr PropertySchema kProperties[] = {
    // PAM stacks authenticate a Linux login; they have no package name
    // Windows would show.
    {"AuthenticationPackage", CimType::kString, [](M&, I) { return Fact::Null(); }},
    {"Caption", CimType::kString, [](M&, I) { return Fact::Null(); }},
    {"Description", CimType::kString, [](M&, I) { return Fact::Null(); }},
    {"InstallDate", CimType::kDatetime, [](M&, I) { return Fact::Null(); }},
    {"LogonId", CimType::kString, Of<LogonId>},
    {"LogonType", CimType::kUint32, Of<LogonType>},
    {"Name", CimType::kString, [](M&, I) { return Fact::Null(); }},
    {"StartTime", CimType::kDatetime, Of<StartTime>},
    {"Status", CimType::kString, [](M&, I) { return Fact::Null(); }},
};

}  // namespace

const ClassSchema& LogonSessionClass() {
  static const ClassSchema schema{"Win32_LogonSession", Instances, kProperties};
  return schema;
}

}  // namespace hwident
