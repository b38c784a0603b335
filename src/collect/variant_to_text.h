#pragma once

#include <optional>

#include "platform/variant.h"
#include "platform/wide_text.h"

namespace hwident {

// The text right of " = " in a report line, chosen by the value's type tag.
// None for the types that have no text (objects and the common arrays), so
// the line ends after " = "; "<conversion error>" for every type it does not
// know. Numbers and characters are bounded to 31 characters; a string comes
// back between double quotes, whole.
std::optional<WideText> VariantToText(const Variant& value);

}  // namespace hwident
