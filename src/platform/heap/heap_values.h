#pragma once

#include <cstdint>
#include <vector>

#include "platform/variant.h"

namespace hwident {

// Counted strings and values for the backends that are not COM (the native
// Linux provider and the scripted service). A string is a heap block with a
// 32-bit byte count in front and a zero character after the text, the same
// shape as a BSTR, so code that reads the characters cannot tell them apart.
CountedString HeapAllocString(const WideChar* text);
CountedString HeapAllocStringLen(const WideChar* text, std::uint32_t length);
void HeapFreeString(CountedString text);
// Characters in the string, by its count (0 for null).
std::uint32_t HeapStringLength(CountedString text);

// The array block behind a vt::kArray value from these backends.
struct HeapArray {
  std::uint16_t elementType = vt::kEmpty;
  std::vector<Variant> elements;
};

// Releases what the value owns (string, array and its elements) and leaves
// it vt::kEmpty.
void HeapClearValue(Variant* value);

// Value builders; strings are copied into new counted strings.
Variant MakeStringValue(std::u16string_view text);
Variant MakeI2Value(std::int16_t value);
Variant MakeI4Value(std::int32_t value);
Variant MakeR4Value(float value);
Variant MakeR8Value(double value);
Variant MakeUi1Value(std::uint8_t value);
Variant MakeBoolValue(bool value);
Variant MakeNullValue();
// Takes the elements; elementType is the tag of each element.
Variant MakeArrayValue(std::uint16_t elementType, std::vector<Variant> elements);

// Counted strings made by this file and not yet freed, for leak checks.
std::int64_t HeapLiveStrings();

}  // namespace hwident
