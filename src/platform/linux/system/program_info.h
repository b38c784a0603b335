#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hwident {

// The text the program prints instead of running when its only argument is
// --version, --help or -h: the version line, or a short usage. Nothing for
// any other command line, which stays a list of entries; an option among
// other arguments is an entry like any other, so every command line that
// worked before these options existed keeps its meaning.
std::optional<std::string> ProgramInfoFor(int argc, const char* const* argv);

// Writes the text to standard output. The exit status: 0, or 1 when the text
// could not be written (a full disk, a closed pipe).
int PrintProgramInfo(std::string_view text);

}  // namespace hwident
