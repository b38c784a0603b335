#include "platform/heap/heap_values.h"

#include <atomic>
#include <cstring>
#include <new>
#include <utility>

namespace hwident {
namespace {

std::atomic<std::int64_t> g_liveStrings{0};

// The count sits in the four bytes before the characters.
std::uint32_t* Header(CountedString text) {
  return reinterpret_cast<std::uint32_t*>(text) - 1;
}

}  // namespace

CountedString HeapAllocStringLen(const WideChar* text, std::uint32_t length) {
  const std::size_t bytes = sizeof(std::uint32_t) + (std::size_t{length} + 1) * sizeof(WideChar);
  auto* block = static_cast<std::uint32_t*>(::operator new(bytes, std::nothrow));
  if (block == nullptr) return nullptr;
  block[0] = length * sizeof(WideChar);
  auto* chars = reinterpret_cast<WideChar*>(block + 1);
  if (text != nullptr) {
    std::memcpy(chars, text, length * sizeof(WideChar));
  } else {
    std::memset(chars, 0, length * sizeof(WideChar));
  }
  chars[length] = 0;
  ++g_liveStrings;
  return chars;
}

CountedString HeapAllocString(const WideChar* text) {
  if (text == nullptr) return nullptr;
  std::uint32_t length = 0;
  while (text[length] != 0) ++length;
  return HeapAllocStringLen(text, length);
}

void HeapFreeString(CountedString text) {
  if (text == nullptr) return;
  --g_liveStrings;
  ::operator delete(Header(text));
}

std::uint32_t HeapStringLength(CountedString text) {
  return text == nullptr ? 0 : *Header(text) / sizeof(WideChar);
}

void HeapClearValue(Variant* value) {
  if (value->type == vt::kBstr) {
    HeapFreeString(value->bstr);
  } else if ((value->type & vt::kArray) != 0 && value->array != nullptr) {
    auto* block = static_cast<HeapArray*>(value->array);
    for (Variant& element : block->elements) HeapClearValue(&element);
    delete block;
  }
  *value = Variant{};
}

Variant MakeStringValue(std::u16string_view text) {
  Variant value;
  value.type = vt::kBstr;
  value.bstr = HeapAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
  return value;
}

Variant MakeI4Value(std::int32_t number) {
  Variant value;
  value.type = vt::kI4;
  value.i4 = number;
  return value;
}

Variant MakeI2Value(std::int16_t number) {
  Variant value;
  value.type = vt::kI2;
  value.i2 = number;
  return value;
}

Variant MakeR4Value(float number) {
  Variant value;
  value.type = vt::kR4;
  value.r4 = number;
  return value;
}

Variant MakeR8Value(double number) {
  Variant value;
  value.type = vt::kR8;
  value.r8 = number;
  return value;
}

Variant MakeUi1Value(std::uint8_t number) {
  Variant value;
  value.type = vt::kUi1;
  value.ui1 = number;
  return value;
}

Variant MakeBoolValue(bool flag) {
  Variant value;
  value.type = vt::kBool;
  value.boolean = flag ? kVariantTrue : kVariantFalse;
  return value;
}

Variant MakeNullValue() {
  Variant value;
  value.type = vt::kNull;
  return value;
}

Variant MakeArrayValue(std::uint16_t elementType, std::vector<Variant> elements) {
  Variant value;
  value.type = static_cast<std::uint16_t>(vt::kArray | elementType);
  value.array = new HeapArray{elementType, std::move(elements)};
  return value;
}

std::int64_t HeapLiveStrings() {
  return g_liveStrings.load();
}

}  // namespace hwident
