// Win32_Group: every group of /etc/group, in the file's order, system
// groups too, as Windows lists its built-in groups.
#include "platform/linux/provider/classes/provider_classes.h"

#include "platform/linux/provider/sources/accounts/account_files.h"
#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

std::vector<std::string> Instances(M& m) {
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < LocalGroups(m).size(); ++i) keys.push_back(std::to_string(i));
  return keys;
}

// The instance key is the group's place in the file.
template <Fact (*Read)(M&, const GroupEntry&)>
Fact Of(M& m, I key) {
  const auto index = ParseDecimalIn(key, 0, kMaxAccountEntries);
  const std::vector<GroupEntry>& groups = LocalGroups(m);
  if (!index || static_cast<std::size_t>(*index) >= groups.size()) return Fact::Null();
  return Read(m, groups[static_cast<std::size_t>(*index)]);
}

Fact Caption(M& m, const GroupEntry& group) {
  const auto domain = NetBiosName(m);
  return domain ? Fact::Text(*domain + "\\" + group.name) : Fact::Null();
}

Fact Domain(M& m, const GroupEntry&) {
  return FactFrom(NetBiosName(m));
}

Fact Name(M&, const GroupEntry& group) {
  return Fact::Text(group.name);
}

// Unix groups' SIDs in the form Samba gives them: S-1-22-2-<gid>.
Fact Sid(M&, const GroupEntry& group) {
  return Fact::Text("S-1-22-2-" + std::to_string(group.gid));
}

// Windows' local groups are aliases (SidTypeAlias), not domain groups.
Fact SidType(M&, const GroupEntry&) {
  return Constant("4");
}

Fact True(M&, const GroupEntry&) {
  return Fact::Flag(true);
}

Fact Ok(M&, const GroupEntry&) {
  return Constant("OK");
}

constexpr PropertySchema kProperties[] = {
    {"Caption", CimType::kString, Of<Caption>},
    // Unix groups carry no comment.
    {"Description", CimType::kString, [](M&, I) { return Fact::Null(); }},
    {"Domain", CimType::kString, Of<Domain>},
    {"InstallDate", CimType::kDatetime, [](M&, I) { return Fact::Null(); }},
    {"LocalAccount", CimType::kBoolean, Of<True>},
    {"Name", CimType::kString, Of<Name>},
    {"SID", CimType::kString, Of<Sid>},
    {"SIDType", CimType::kUint8, Of<SidType>},
    {"Status", CimType::kString, Of<Ok>},
};

}  // namespace

const ClassSchema& GroupClass() {
  static const ClassSchema schema{"Win32_Group", Instances, kProperties};
  return schema;
}

}  // namespace hwident
