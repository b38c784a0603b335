#pragma once

#include "platform/management_service.h"

namespace hwident {

// Result codes the provider gives beyond the seam's common ones, with the
// values the platform uses for them.
inline constexpr ResultCode kNoMoreData = 0x40005;            // WBEM_S_NO_MORE_DATA
inline constexpr ResultCode kInvalidParameter = -2147217400;  // WBEM_E_INVALID_PARAMETER
inline constexpr ResultCode kInvalidQueryType = -2147217384;  // WBEM_E_INVALID_QUERY_TYPE
inline constexpr ResultCode kUnexpected = -2147217379;        // WBEM_E_UNEXPECTED

}  // namespace hwident
