#pragma once

#include "platform/windows/windows_api.h"

#include <wbemidl.h>

#include "platform/management_service.h"

namespace hwident {

// Hands the platform's locator over as the seam's Locator, which takes over
// the reference. The connections, enumerators and objects reached through it
// come wrapped the same way. On failure the reference is released.
ResultCode WrapLocator(IWbemLocator* platform, Locator** locator);

}  // namespace hwident
