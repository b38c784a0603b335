#pragma once

#include "platform/wide_text.h"

namespace hwident {

// The command-line text from an argument list (argv, the program's name
// first): the arguments after the name joined by single spaces, without the
// run of characters 0x01 to 0x20 that begins it, as the Windows start-up
// hands the text after the program's name.
NarrowText CommandLineFromArguments(int argc, const char* const* argv);

}  // namespace hwident
