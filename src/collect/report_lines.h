#pragma once

#include <vector>

#include "platform/wide_text.h"

namespace hwident {

// The lines of the report, in the order they were collected. Requests append
// at the end; the report writer reads them in order and empties the list.
extern std::vector<NarrowText> g_reportLines;

}  // namespace hwident
