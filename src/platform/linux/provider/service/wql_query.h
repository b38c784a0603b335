#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hwident {

// The class named by a query of the one form the provider answers,
// "select * from CLASS": keywords in any letter case, blanks, tabs and line
// breaks of any length between the words and around them. Nothing for any
// other query (a WHERE clause, a property list, a second class).
std::optional<std::string> ParseSelectAll(std::string_view query);

// Whether the namespace is the one the provider serves, "\\.\root\cimv2",
// letter case ignored.
bool IsServedNamespace(std::string_view ns);

// Letter case of A to Z ignored.
bool EqualsIgnoringCase(std::string_view left, std::string_view right);

}  // namespace hwident
