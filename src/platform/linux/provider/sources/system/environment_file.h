#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/provider/machine/machine.h"

namespace hwident {

// One variable of /etc/environment.
struct EnvironmentVariable {
  std::string name;
  std::string value;
};

// The most variables kept; a longer file is cut there.
inline constexpr std::size_t kMaxEnvironmentVariables = 4096;

// /etc/environment as the PAM environment module reads it at login:
// - a line ending in a backslash goes on with the next one;
// - blanks before a line's text are skipped, and a line whose text starts
//   with "#" is a comment;
// - "export " in front of the name is allowed and dropped;
// - the value ends at the first "#" (quoted or not) and at the line's end;
// - the name is letters, digits and underscores, else the line is skipped;
// - a value starting with a quote (" or ') loses every quote in it but
//   those within, keeping a quote only when it is not the last character
//   (so "a b" gives a b, and no escape is understood);
// - a name without "=" removes a variable set earlier;
// - nothing is expanded ($HOME stays as written).
// A name set twice keeps its place of first setting and its last value.
std::vector<EnvironmentVariable> ParseEnvironmentFile(std::string_view text);
const std::vector<EnvironmentVariable>& SystemEnvironment(Machine& machine);

}  // namespace hwident
