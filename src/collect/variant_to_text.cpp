#include "collect/variant_to_text.h"

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "collect/format_bounded.h"

namespace hwident {
namespace {

// Numbers and characters go through a 64-byte buffer: 31 characters and the
// terminator. A long %f result (1e30 and up) is cut there, as it always was.
constexpr std::size_t kNumberBufferBytes = 64;
// The fixed texts are copied with a bound of 32 characters.
constexpr std::size_t kFixedTextChars = 32;

WideText Bounded(std::u16string_view format, std::initializer_list<FormatArgument> arguments) {
  WideChar buffer[kNumberBufferBytes / sizeof(WideChar)];
  FormatBounded(buffer, sizeof buffer, format, arguments);
  return WideText(buffer);
}

WideText Fixed(std::u16string_view text) {
  return WideText(text.substr(0, kFixedTextChars - 1));
}

WideText Quoted(CountedString text) {
  // A provider may hand out a string value with no string at all; it reads
  // as the empty string rather than as a crash. The string is read up to
  // its first zero and never cut.
  const std::u16string_view characters = text == nullptr ? u"" : text;
  WideText quoted;
  quoted.reserve(characters.size() + 2);
  quoted += u'"';
  quoted += characters;
  quoted += u'"';
  return quoted;
}

WideText ByteText(std::uint8_t byte) {
  // Control characters print as numbers only; the rest also as the
  // character of the same code.
  if (byte < 32) return Bounded(u"%hu (0x%hX)", {std::uint32_t{byte}, std::uint32_t{byte}});
  return Bounded(u"'%c' (%hu, 0x%hX)",
                 {static_cast<WideChar>(byte), std::uint32_t{byte}, std::uint32_t{byte}});
}

bool HasNoText(std::uint16_t type) {
  switch (type) {
    case vt::kDispatch:
    case vt::kArray | vt::kI2:
    case vt::kArray | vt::kI4:
    case vt::kArray | vt::kR4:
    case vt::kArray | vt::kR8:
    case vt::kArray | vt::kBstr:
    case vt::kArray | vt::kDispatch:
    case vt::kArray | vt::kBool:
    case vt::kArray | vt::kUi1:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::optional<WideText> VariantToText(const Variant& value) {
  switch (value.type) {
    case vt::kNull:
      return Fixed(u"<null>");
    case vt::kI2: {
      // Read as unsigned 16 bits: -2 prints 65534.
      const auto bits = static_cast<std::uint16_t>(value.i2);
      return Bounded(u"%hu (0x%hX)", {std::uint32_t{bits}, std::uint32_t{bits}});
    }
    case vt::kI4:
      return Bounded(u"%d (0x%X)", {value.i4, value.i4});
    case vt::kR4:
      return Bounded(u"%10.4f", {static_cast<double>(value.r4)});
    case vt::kR8:
      return Bounded(u"%10.4f", {value.r8});
    case vt::kBstr:
      return Quoted(value.bstr);
    case vt::kBool:
      return Fixed(value.boolean != 0 ? u"TRUE" : u"FALSE");
    case vt::kUi1:
      return ByteText(value.ui1);
    default:
      if (HasNoText(value.type)) return std::nullopt;
      return Fixed(u"<conversion error>");
  }
}

}  // namespace hwident
