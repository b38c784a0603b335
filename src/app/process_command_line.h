#pragma once

#include <string_view>

namespace hwident {

// The command-line text from the whole process command line (the program's
// name first, as the platform records it): what follows the name, without
// the run of characters 0x01 to 0x20 that directly follows it. A name in
// double quotes ends at its closing quote, an unquoted one at the first
// character of code 0x20 or below. The result views into fullLine.
std::string_view ProcessCommandLine(std::string_view fullLine);

}  // namespace hwident
