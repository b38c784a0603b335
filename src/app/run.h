#pragma once

#include <string_view>

#include "platform/platform.h"

namespace hwident {

// The whole program, once: object system start-up, the connection, the model
// request, one request per command-line entry, the report file. The command
// line is the text after the program's name (and the blanks that follow it).
// Returns the exit code, which is always 0.
int RunHwident(const Platform& platform, std::string_view commandLine);

}  // namespace hwident
