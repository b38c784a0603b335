#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace hwident {

// Looks a variable up by name; nullopt when it is not set.
using VariableLookup = std::function<std::optional<std::string>(const std::string& name)>;

// Replaces each %NAME% reference whose name is set with its value, as the
// Windows expansion does: a reference to a name that is not set stays as
// written (both percent signs included) and scanning goes on after it; a
// percent sign without a partner is copied as it is.
std::string ExpandReferences(std::string_view source, const VariableLookup& lookup);

// The process environment as the expansion sees it. An empty value counts as
// not set (Windows cannot hold an empty variable). Linux has no Windows
// directory, so an unset Windir stands for the current directory.
std::optional<std::string> LookupEnvironmentVariable(const std::string& name);

}  // namespace hwident
