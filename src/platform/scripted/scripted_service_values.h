#pragma once

#include <cstdint>

#include "platform/heap/heap_values.h"
#include "platform/variant.h"

namespace hwident {

// Value builders beyond those of heap_values.h, for scripting values a real
// provider would not hand out.
// A value of any tag with an all-zero payload: vt::kEmpty, vt::kDispatch,
// vt::kCy, 0x2006 and so on. Owns nothing.
Variant MakeTaggedValue(std::uint16_t type);
// A vt::kBstr value whose string pointer is null, as a careless provider may
// hand out.
Variant MakeNullStringValue();

}  // namespace hwident
