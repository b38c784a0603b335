#include "collect/format_bounded.h"

#include <algorithm>
#include <string>

#include "collect/fixed_point_text.h"

namespace hwident {
namespace {

struct Conversion {
  bool leftAlign = false;
  int width = 0;
  int precision = -1;  // none given
  bool half = false;   // the h modifier
  WideChar type = 0;
};

int ReadNumber(std::u16string_view format, std::size_t& at) {
  int number = 0;
  while (at < format.size() && format[at] >= u'0' && format[at] <= u'9') {
    // Widths beyond a few digits are nonsense here; cap them to keep the
    // padding loop bounded.
    number = std::min(number * 10 + (format[at] - u'0'), 4096);
    ++at;
  }
  return number;
}

// Parses the conversion after a '%' at format[at]; false when malformed.
bool ReadConversion(std::u16string_view format, std::size_t& at, Conversion& conversion) {
  if (at < format.size() && format[at] == u'-') {
    conversion.leftAlign = true;
    ++at;
  }
  conversion.width = ReadNumber(format, at);
  if (at < format.size() && format[at] == u'.') {
    ++at;
    conversion.precision = ReadNumber(format, at);
  }
  if (at < format.size() && format[at] == u'h') {
    conversion.half = true;
    ++at;
  } else if (at < format.size() && (format[at] == u'w' || format[at] == u'l')) {
    ++at;  // wide-string size prefix: every string here is wide
  }
  if (at >= format.size()) return false;
  conversion.type = format[at++];
  return true;
}

std::u16string Widen(const std::string& ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

std::u16string Digits(std::uint64_t number, unsigned base, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::u16string text;
  do {
    text.insert(text.begin(), static_cast<WideChar>(digits[number % base]));
    number /= base;
  } while (number != 0);
  return text;
}

// The text of one conversion without its padding; false when the argument
// does not suit it.
bool ConvertOne(const Conversion& conversion, const FormatArgument& argument,
                std::u16string& text) {
  using Kind = FormatArgument::Kind;
  const bool integral = argument.kind() == Kind::kInteger || argument.kind() == Kind::kCharacter;
  switch (conversion.type) {
    case u'd': {
      if (!integral) return false;
      const std::int64_t number = conversion.half
                                      ? std::int64_t{static_cast<std::int16_t>(argument.integer())}
                                      : std::int64_t{static_cast<std::int32_t>(argument.integer())};
      text = Digits(number < 0 ? std::uint64_t(-number) : std::uint64_t(number), 10, false);
      if (number < 0) text.insert(text.begin(), u'-');
      return true;
    }
    case u'u':
    case u'X':
    case u'x': {
      if (!integral) return false;
      // Negative numbers print as their two's-complement bits.
      const std::uint64_t number =
          conversion.half ? std::uint64_t{static_cast<std::uint16_t>(argument.integer())}
                          : std::uint64_t{static_cast<std::uint32_t>(argument.integer())};
      text = Digits(number, conversion.type == u'u' ? 10 : 16, conversion.type == u'X');
      return true;
    }
    case u'c':
      if (!integral) return false;
      text.assign(1, static_cast<WideChar>(argument.integer()));
      return true;
    case u'f':
      if (argument.kind() != Kind::kFloat) return false;
      text = Widen(
          FixedPointText(argument.floating(), conversion.precision < 0 ? 6 : conversion.precision));
      return true;
    case u's':
    case u'S': {
      if (argument.kind() != Kind::kString) return false;
      text = argument.text() == nullptr ? std::u16string(u"(null)") : argument.text();
      if (conversion.precision >= 0 && text.size() > std::size_t(conversion.precision)) {
        text.resize(conversion.precision);
      }
      return true;
    }
    default:
      return false;
  }
}

void Pad(const Conversion& conversion, std::u16string& text) {
  if (text.size() >= std::size_t(conversion.width)) return;
  const std::size_t fill = conversion.width - text.size();
  text.insert(conversion.leftAlign ? text.end() : text.begin(), fill, u' ');
}

// The whole output, unbounded; false when a conversion failed.
bool Render(std::u16string_view format, std::span<const FormatArgument> arguments,
            std::u16string& output) {
  auto argument = arguments.begin();
  std::size_t at = 0;
  while (at < format.size()) {
    const WideChar character = format[at++];
    if (character != u'%') {
      output += character;
      continue;
    }
    if (at < format.size() && format[at] == u'%') {
      output += u'%';
      ++at;
      continue;
    }
    Conversion conversion;
    std::u16string text;
    if (!ReadConversion(format, at, conversion) || argument == arguments.end() ||
        !ConvertOne(conversion, *argument++, text)) {
      return false;
    }
    Pad(conversion, text);
    output += text;
  }
  return true;
}

}  // namespace

ResultCode FormatBounded(WideChar* destination, std::size_t size, std::u16string_view format,
                         std::span<const FormatArgument> arguments) {
  if (destination == nullptr || size < sizeof(WideChar)) return kFormatTruncated;
  const std::size_t capacity = size / sizeof(WideChar) - 1;
  std::u16string output;
  const bool rendered = Render(format, arguments, output);
  const std::size_t kept = std::min(output.size(), capacity);
  std::copy_n(output.begin(), kept, destination);
  destination[kept] = 0;
  if (!rendered) return kFormatInvalid;
  return output.size() > capacity ? kFormatTruncated : kOk;
}

}  // namespace hwident
