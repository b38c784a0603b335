#pragma once

#include "platform/wide_text.h"

namespace hwident {

// Rewrites a quoted CD-ROM device identifier ("IDE\CDROM... with its opening
// quote) into its underscore-separated fields joined by single spaces,
// dropping every field that holds a backslash. Text without that prefix,
// letter case included, is left exactly as it is.
void NormalizeCdromDeviceId(NarrowText& text);

}  // namespace hwident
