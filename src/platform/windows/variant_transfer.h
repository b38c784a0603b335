#pragma once

#include "platform/windows/windows_api.h"

#include <oaidl.h>

#include "platform/variant.h"

namespace hwident {

// The seam's Variant mirrors VARIANT: the same type tag and eight payload
// bytes. Ownership moves with the bytes, so a value the service handed out
// is cleared exactly once, through VariantClear, whichever side holds it.

// Moves what the VARIANT owns into a Variant; the VARIANT is left empty.
Variant TakeVariant(VARIANT* source);

// Releases what the Variant owns through VariantClear and leaves it empty.
void ClearVariant(Variant* value);

}  // namespace hwident
