#pragma once

// <windows.h> for this folder. The header maps ExpandEnvironmentStrings to
// its A or W form by macro, which would rename the FileServices member of
// that name in every file that sees both; the macro is dropped here.
#include <windows.h>

#undef ExpandEnvironmentStrings
