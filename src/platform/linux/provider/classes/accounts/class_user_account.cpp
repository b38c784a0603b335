// Win32_UserAccount: every account of /etc/passwd, in the file's order.
// Windows lists its built-in accounts beside the people's, so system
// accounts (root, daemon, nobody) are listed too.
#include "platform/linux/provider/classes/provider_classes.h"

#include "platform/linux/provider/sources/accounts/account_files.h"
#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

// The instance key is the account's place in the file.
const PasswdEntry* Find(M& m, I key) {
  const auto index = ParseDecimalIn(key, 0, kMaxAccountEntries);
  const std::vector<PasswdEntry>& users = LocalUsers(m);
  if (!index || static_cast<std::size_t>(*index) >= users.size()) return nullptr;
  return &users[static_cast<std::size_t>(*index)];
}

std::vector<std::string> Instances(M& m) {
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < LocalUsers(m).size(); ++i) keys.push_back(std::to_string(i));
  return keys;
}

// The password as login sees it: the shadow file's when /etc/passwd says
// "x", else the one /etc/passwd holds itself. Nothing when it is in the
// shadow file and that is not readable (an ordinary user) or lacks the name.
std::optional<std::string> Password(M& m, const PasswdEntry& user) {
  if (user.password != "x") return user.password;
  const ShadowEntry* shadow = ShadowOf(m, user.name);
  if (!shadow) return std::nullopt;
  return shadow->password;
}

// shadow(5): a password field starting with "!" is locked (passwd -l,
// usermod -L) and one starting with "*" (or any text no hash can give) can
// never match; either way no password logs the account in.
std::optional<bool> Disabled(M& m, const PasswdEntry& user) {
  const auto password = Password(m, user);
  if (!password) return std::nullopt;
  return !password->empty() && ((*password)[0] == '!' || (*password)[0] == '*');
}

Fact Flag(const std::optional<bool>& value) {
  return value ? Fact::Flag(*value) : Fact::Null();
}

// Windows' Lockout is an account its logon policy has shut; the shadow
// file's counterpart is the account's expiry day, after which every login
// is refused until an administrator moves it. Day 0 is "no expiry" to the
// shadow tools, as is an empty field.
Fact Lockout(M& m, const PasswdEntry& user) {
  const ShadowEntry* shadow = ShadowOf(m, user.name);
  if (!shadow) return Fact::Null();
  const std::int64_t today = m.Live().NowMicroseconds() / 1000000 / 86400;
  return Fact::Flag(shadow->expireDay && *shadow->expireDay > 0 && today >= *shadow->expireDay);
}

// A maximum age (field 5) bounds the password's life; empty, or the 99999
// days the shadow tools write for "never", does not.
Fact PasswordExpires(M& m, const PasswdEntry& user) {
  const ShadowEntry* shadow = ShadowOf(m, user.name);
  if (!shadow) return Fact::Null();
  return Fact::Flag(shadow->maximumDays && *shadow->maximumDays >= 0 &&
                    *shadow->maximumDays < 99999);
}

// shadow(5): with a minimum age above the maximum, the user cannot change
// the password.
Fact PasswordChangeable(M& m, const PasswdEntry& user) {
  const ShadowEntry* shadow = ShadowOf(m, user.name);
  if (!shadow) return Fact::Null();
  return Fact::Flag(!(shadow->minimumDays && shadow->maximumDays && *shadow->maximumDays >= 0 &&
                      *shadow->minimumDays > *shadow->maximumDays));
}

// An empty password field lets the account in without one.
Fact PasswordRequired(M& m, const PasswdEntry& user) {
  const auto password = Password(m, user);
  return password ? Fact::Flag(!password->empty()) : Fact::Null();
}

// Windows reports a disabled account as degraded.
Fact Status(M& m, const PasswdEntry& user) {
  const auto disabled = Disabled(m, user);
  if (!disabled) return Fact::Null();
  return Constant(*disabled ? "Degraded" : "OK");
}

Fact Caption(M& m, const PasswdEntry& user) {
  const auto domain = NetBiosName(m);
  return domain ? Fact::Text(*domain + "\\" + user.name) : Fact::Null();
}

// Unix accounts' SIDs in the form Samba gives them: S-1-22-1-<uid>.
Fact Sid(M&, const PasswdEntry& user) {
  return Fact::Text("S-1-22-1-" + std::to_string(user.uid));
}

Fact DisabledFlag(M& m, const PasswdEntry& user) {
  return Flag(Disabled(m, user));
}

Fact Domain(M& m, const PasswdEntry&) {
  return FactFrom(NetBiosName(m));
}

Fact FullName(M&, const PasswdEntry& user) {
  return Fact::Text(FullNameOf(user.gecos));
}

Fact Name(M&, const PasswdEntry& user) {
  return Fact::Text(user.name);
}

// Every local account is a normal one (UF_NORMAL_ACCOUNT); the trust
// accounts Windows also knows belong to domains.
Fact AccountType(M&, const PasswdEntry&) {
  return Constant("512");
}

Fact True(M&, const PasswdEntry&) {
  return Fact::Flag(true);
}

// SidTypeUser.
Fact SidType(M&, const PasswdEntry&) {
  return Constant("1");
}

template <Fact (*Read)(M&, const PasswdEntry&)>
Fact Of(M& m, I key) {
  const PasswdEntry* user = Find(m, key);
  return user ? Read(m, *user) : Fact::Null();
}

constexpr PropertySchema kProperties[] = {
    {"AccountType", CimType::kUint32, Of<AccountType>},
    {"Caption", CimType::kString, Of<Caption>},
    // The comment's fields after the full name are a room and telephone
    // numbers, not a description.
    {"Description", CimType::kString, [](M&, I) { return Fact::Null(); }},
    {"Disabled", CimType::kBoolean, Of<DisabledFlag>},
    {"Domain", CimType::kString, Of<Domain>},
    {"FullName", CimType::kString, Of<FullName>},
    {"InstallDate", CimType::kDatetime, [](M&, I) { return Fact::Null(); }},
    {"LocalAccount", CimType::kBoolean, Of<True>},
    {"Lockout", CimType::kBoolean, Of<Lockout>},
    {"Name", CimType::kString, Of<Name>},
    {"PasswordChangeable", CimType::kBoolean, Of<PasswordChangeable>},
    {"PasswordExpires", CimType::kBoolean, Of<PasswordExpires>},
    {"PasswordRequired", CimType::kBoolean, Of<PasswordRequired>},
    {"SID", CimType::kString, Of<Sid>},
    {"SIDType", CimType::kUint8, Of<SidType>},
    {"Status", CimType::kString, Of<Status>},
};

}  // namespace

const ClassSchema& UserAccountClass() {
  static const ClassSchema schema{"Win32_UserAccount", Instances, kProperties};
  return schema;
}

}  // namespace hwident
