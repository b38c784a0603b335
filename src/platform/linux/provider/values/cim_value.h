#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/variant.h"

namespace hwident {

// The CIM types the provider's properties are declared with. Each maps to
// the variant tag WMI delivers it in (see CimToVariant).
enum class CimType {
  kString,
  kBoolean,
  kUint8,
  kSint16,
  kUint16,
  kUint32,
  kUint64,
  kDatetime,
  kReal32,
  kUint8Array,
  kUint16Array,
  kStringArray,
};

// A property's value as read, before it is typed: nothing (null), one text
// or a list of texts. Numbers and flags are decimal text ("1"/"0" for flags)
// so every source hands back the same shape.
struct Fact {
  enum class Kind { kNull, kText, kList };
  Kind kind = Kind::kNull;
  std::string text;
  std::vector<std::string> items;

  static Fact Null() { return Fact{}; }
  static Fact Text(std::string value) { return Fact{Kind::kText, std::move(value), {}}; }
  static Fact List(std::vector<std::string> values) {
    return Fact{Kind::kList, {}, std::move(values)};
  }
  static Fact Flag(bool value) { return Text(value ? "1" : "0"); }
  static Fact Number(std::int64_t value) { return Text(std::to_string(value)); }
  bool IsNull() const { return kind == Kind::kNull; }
};

// Types a fact as WMI would deliver a property of that CIM type: uint16 and
// uint32 as VT_I4 (a uint32 of 2^31 or more keeps its bits), sint16 as VT_I2,
// uint8 as VT_UI1, real32 as VT_R4, 64-bit integers as decimal text,
// datetimes as their DMTF text, arrays as VT_ARRAY with the element tag. A
// fact that does not fit its type (not a number, out of range, text where a
// list belongs) is VT_NULL. The value is built with the heap builders and
// cleared by HeapClearValue.
Variant CimToVariant(CimType type, const Fact& fact);

}  // namespace hwident
