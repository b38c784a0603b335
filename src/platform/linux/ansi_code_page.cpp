#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "platform/wide_text.h"

// Linux has no ANSI code page; UTF-8 stands in for it. The Windows conversion
// without flags never fails on bad input: it substitutes U+FFFD for whatever
// it cannot map. Both directions here do the same, one replacement per
// offending byte (narrow side) or per unpaired surrogate (wide side), so no
// input can make a conversion fail or read past its end.

namespace hwident {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(WideText& out, char32_t code) {
  if (code < 0x10000) {
    out.push_back(static_cast<WideChar>(code));
    return;
  }
  code -= 0x10000;
  out.push_back(static_cast<WideChar>(0xD800 + (code >> 10)));
  out.push_back(static_cast<WideChar>(0xDC00 + (code & 0x3FF)));
}

void AppendUtf8(NarrowText& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// Decodes one well-formed UTF-8 sequence at text[at]. Returns its length, or
// 0 when the bytes there do not start one (overlong forms, surrogates and
// values above U+10FFFF are rejected, as a strict decoder must).
std::size_t DecodeUtf8(std::string_view text, std::size_t at, char32_t* code) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    *code = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - at < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) return 0;
    value = (value << 6) | (next & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *code = value;
  return length;
}

bool IsHighSurrogate(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

WideText NarrowToWide(std::string_view text) {
  WideText out;
  out.reserve(text.size());
  std::size_t at = 0;
  while (at < text.size()) {
    // Runs of ASCII, most of what the provider reads, are copied byte for
    // unit.
    std::size_t run = at;
    while (run < text.size() && static_cast<unsigned char>(text[run]) < 0x80) ++run;
    if (run > at) {
      out.append(text.begin() + static_cast<std::ptrdiff_t>(at),
                 text.begin() + static_cast<std::ptrdiff_t>(run));
      at = run;
      continue;
    }
    char32_t code = 0;
    const std::size_t length = DecodeUtf8(text, at, &code);
    if (length == 0) {
      // One replacement per bad byte; the decoder resynchronises on the next.
      out.push_back(static_cast<WideChar>(kReplacement));
      ++at;
      continue;
    }
    AppendUtf16(out, code);
    at += length;
  }
  return out;
}

NarrowText WideToNarrow(std::u16string_view text) {
  NarrowText out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    // Runs of ASCII, most of what is narrowed, are copied unit for byte in
    // one go, up to a zero.
    std::size_t run = at;
    while (run < text.size() && text[run] != 0 && text[run] < 0x80) ++run;
    if (run > at) {
      const std::size_t length = out.size();
      out.resize(length + (run - at));
      std::transform(text.begin() + static_cast<std::ptrdiff_t>(at),
                     text.begin() + static_cast<std::ptrdiff_t>(run),
                     out.begin() + static_cast<std::ptrdiff_t>(length),
                     [](WideChar unit) { return static_cast<char>(unit); });
      at = run - 1;
      continue;
    }
    const char32_t unit = text[at];
    if (unit == 0) break;  // the wide text is read as a C string
    if (IsHighSurrogate(unit) && at + 1 < text.size() && IsLowSurrogate(text[at + 1])) {
      const char32_t low = text[at + 1];
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
      ++at;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

}  // namespace hwident
