#pragma once

#include <string>
#include <string_view>

namespace hwident {

// The management service speaks UTF-16; everything the program itself says is
// narrow text in the platform's ANSI code page (UTF-8 on Linux).
using WideChar = char16_t;
using WideText = std::u16string;
using NarrowText = std::string;

// Narrow to wide through the ANSI code page, no conversion flags.
WideText NarrowToWide(std::string_view text);

// Wide to narrow through the ANSI code page, no flags and no default
// character. Stops at the first zero character, as a C string would.
NarrowText WideToNarrow(std::u16string_view text);

}  // namespace hwident
