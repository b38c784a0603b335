// Win32_Share: the shares Samba serves.
#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/sharing/samba_shares.h"
#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

// Shares are keyed by their place in SambaShares' order.
std::vector<std::string> ShareKeys(M& m) {
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < SambaShares(m).size(); ++i) keys.push_back(std::to_string(i));
  return keys;
}

const SambaShare* ShareAt(M& m, I key) {
  const std::vector<SambaShare>& shares = SambaShares(m);
  const auto index = ParseDecimalIn(key, 0, static_cast<std::int64_t>(shares.size()) - 1);
  return index ? &shares[static_cast<std::size_t>(*index)] : nullptr;
}

Fact Name(M& m, I key) {
  const SambaShare* share = ShareAt(m, key);
  return share ? Fact::Text(share->name) : Fact::Null();
}

// Windows gives the share's remark as both its caption and description.
Fact Remark(M& m, I key) {
  const SambaShare* share = ShareAt(m, key);
  return share ? FactFrom(share->comment) : Fact::Null();
}

Fact Path(M& m, I key) {
  const SambaShare* share = ShareAt(m, key);
  return share ? FactFrom(share->path) : Fact::Null();
}

Fact Type(M& m, I key) {
  const SambaShare* share = ShareAt(m, key);
  return share ? Fact::Number(share->type) : Fact::Null();
}

// No limit: AllowMaximum TRUE and MaximumAllowed null, as Windows gives
// an unlimited share.
Fact AllowMaximum(M& m, I key) {
  const SambaShare* share = ShareAt(m, key);
  if (share == nullptr || !share->maxConnections) return Fact::Null();
  return Fact::Flag(*share->maxConnections == 0);
}

Fact MaximumAllowed(M& m, I key) {
  const SambaShare* share = ShareAt(m, key);
  if (share == nullptr || !share->maxConnections || *share->maxConnections == 0) {
    return Fact::Null();
  }
  return Fact::Number(*share->maxConnections);
}

Fact Status(M& m, I key) {
  return ShareAt(m, key) ? Constant("OK") : Fact::Null();
}

constexpr PropertySchema kProperties[] = {
    // Deprecated; null on Windows too.
    {"AccessMask", CimType::kUint32, [](M&, I) { return Fact::Null(); }},
    {"AllowMaximum", CimType::kBoolean, AllowMaximum},
    {"Caption", CimType::kString, Remark},
    {"Description", CimType::kString, Remark},
    // Samba keeps no record of when a share was made.
    {"InstallDate", CimType::kDatetime, [](M&, I) { return Fact::Null(); }},
    {"MaximumAllowed", CimType::kUint32, MaximumAllowed},
    {"Name", CimType::kString, Name},
    {"Path", CimType::kString, Path},
    {"Status", CimType::kString, Status},
    {"Type", CimType::kUint32, Type},
};

}  // namespace

const ClassSchema& ShareClass() {
  static const ClassSchema schema{"Win32_Share", ShareKeys, kProperties};
  return schema;
}

}  // namespace hwident
