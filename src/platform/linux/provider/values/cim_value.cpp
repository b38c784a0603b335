#include "platform/linux/provider/values/cim_value.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "platform/heap/heap_values.h"
#include "platform/linux/provider/values/firmware_text.h"
#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

std::optional<std::uint64_t> ParseUnsigned64(const std::string& text) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || text.front() == '-' || error != std::errc{} || stop != end) {
    return std::nullopt;
  }
  return value;
}

// Machine text as a string value. ASCII, nearly all that machine files
// hold, is widened straight into the value's own string; anything else is
// decoded first.
Variant TextValue(std::string_view text) {
  const bool ascii = std::all_of(text.begin(), text.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii) return MakeStringValue(DecodeMachineText(text));
  Variant value;
  value.type = vt::kBstr;
  value.bstr = HeapAllocStringLen(nullptr, static_cast<std::uint32_t>(text.size()));
  if (value.bstr != nullptr) std::copy(text.begin(), text.end(), value.bstr);
  return value;
}

Variant ScalarToVariant(CimType type, const std::string& text) {
  switch (type) {
    case CimType::kString:
    case CimType::kDatetime:
      return TextValue(text);
    case CimType::kBoolean:
      if (text == "1") return MakeBoolValue(true);
      if (text == "0") return MakeBoolValue(false);
      break;
    case CimType::kUint8:
      if (auto value = ParseDecimalIn(text, 0, 255)) {
        return MakeUi1Value(static_cast<std::uint8_t>(*value));
      }
      break;
    case CimType::kSint16:
      if (auto value = ParseDecimalIn(text, -32768, 32767)) {
        return MakeI2Value(static_cast<std::int16_t>(*value));
      }
      break;
    case CimType::kUint16:
      if (auto value = ParseDecimalIn(text, 0, 65535)) {
        return MakeI4Value(static_cast<std::int32_t>(*value));
      }
      break;
    case CimType::kUint32:
      // WMI hands a uint32 over in a signed slot; values from 2^31 up arrive
      // negative and the reader reinterprets the bits.
      if (auto value = ParseDecimalIn(text, 0, 4294967295LL)) {
        return MakeI4Value(static_cast<std::int32_t>(static_cast<std::uint32_t>(*value)));
      }
      break;
    case CimType::kUint64:
      if (auto value = ParseUnsigned64(text)) {
        const std::string digits = std::to_string(*value);
        return MakeStringValue(std::u16string(digits.begin(), digits.end()));
      }
      break;
    case CimType::kReal32: {
      float value = 0;
      const char* end = text.data() + text.size();
      const auto [stop, error] = std::from_chars(text.data(), end, value);
      if (!text.empty() && error == std::errc{} && stop == end) return MakeR4Value(value);
      break;
    }
    case CimType::kUint8Array:
    case CimType::kUint16Array:
    case CimType::kStringArray:
      break;
  }
  return MakeNullValue();
}

Variant ListToVariant(CimType type, const std::vector<std::string>& items) {
  CimType element = CimType::kString;
  std::uint16_t tag = vt::kBstr;
  if (type == CimType::kUint16Array) {
    element = CimType::kUint16;
    tag = vt::kI4;
  } else if (type == CimType::kUint8Array) {
    element = CimType::kUint8;
    tag = vt::kUi1;
  }
  std::vector<Variant> elements;
  for (const std::string& item : items) {
    Variant value = ScalarToVariant(element, item);
    // One element that is not a number nulls the whole array rather than
    // leaving a hole WMI could never deliver.
    if (value.type == vt::kNull) {
      for (Variant& made : elements) HeapClearValue(&made);
      return MakeNullValue();
    }
    elements.push_back(value);
  }
  return MakeArrayValue(tag, std::move(elements));
}

bool IsArray(CimType type) {
  return type == CimType::kUint8Array || type == CimType::kUint16Array ||
         type == CimType::kStringArray;
}

}  // namespace

Variant CimToVariant(CimType type, const Fact& fact) {
  if (fact.kind == Fact::Kind::kText && !IsArray(type)) return ScalarToVariant(type, fact.text);
  if (fact.kind == Fact::Kind::kList && IsArray(type)) return ListToVariant(type, fact.items);
  return MakeNullValue();
}

}  // namespace hwident
