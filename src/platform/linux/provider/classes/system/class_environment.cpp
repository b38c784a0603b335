// Win32_Environment: the system-wide variables of /etc/environment, in the
// file's order. Windows also lists each user's own variables from the
// registry; a Linux user's shell start-up files are scripts, not a list of
// variables, so only the system's are given.
#include "platform/linux/provider/classes/provider_classes.h"

#include "platform/linux/provider/sources/system/environment_file.h"
#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

// Windows' name for the owner of system variables.
constexpr std::string_view kSystemUser = "<SYSTEM>";

std::vector<std::string> Instances(M& m) {
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < SystemEnvironment(m).size(); ++i) keys.push_back(std::to_string(i));
  return keys;
}

template <Fact (*Read)(const EnvironmentVariable&)>
Fact Of(M& m, I key) {
  const auto index = ParseDecimalIn(key, 0, kMaxEnvironmentVariables);
  const std::vector<EnvironmentVariable>& variables = SystemEnvironment(m);
  if (!index || static_cast<std::size_t>(*index) >= variables.size()) return Fact::Null();
  return Read(variables[static_cast<std::size_t>(*index)]);
}

// "<SYSTEM>\PATH", as Windows captions a system variable.
Fact Caption(const EnvironmentVariable& variable) {
  return Fact::Text(std::string(kSystemUser) + "\\" + variable.name);
}

Fact Name(const EnvironmentVariable& variable) {
  return Fact::Text(variable.name);
}

Fact Value(const EnvironmentVariable& variable) {
  return Fact::Text(variable.value);
}

Fact Ok(const EnvironmentVariable&) {
  return Constant("OK");
}

Fact True(const EnvironmentVariable&) {
  return Fact::Flag(true);
}

Fact SystemUser(const EnvironmentVariable&) {
  return Constant(kSystemUser);
}

constexpr PropertySchema kProperties[] = {
    {"Caption", CimType::kString, Of<Caption>},
    {"Description", CimType::kString, Of<Caption>},
    {"InstallDate", CimType::kDatetime, [](M&, I) { return Fact::Null(); }},
    {"Name", CimType::kString, Of<Name>},
    {"Status", CimType::kString, Of<Ok>},
    {"SystemVariable", CimType::kBoolean, Of<True>},
    {"UserName", CimType::kString, Of<SystemUser>},
    {"VariableValue", CimType::kString, Of<Value>},
};

}  // namespace

const ClassSchema& EnvironmentClass() {
  static const ClassSchema schema{"Win32_Environment", Instances, kProperties};
  return schema;
}

}  // namespace hwident
