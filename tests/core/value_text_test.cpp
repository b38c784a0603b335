#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "collect/format_bounded.h"
#include "collect/variant_to_text.h"
#include "platform/scripted/scripted_service_values.h"

namespace hwident {
namespace {

struct ValueCase {
  Variant value;
  std::optional<WideText> text;
};

TEST(VariantToTextTest, RendersEachTypeTag) {
  using Limits = std::numeric_limits<double>;
  const WideText longText(5000, u'x');
  std::vector<ValueCase> cases = {
      {MakeNullValue(), u"<null>"},
      {MakeI2Value(-2), u"65534 (0xFFFE)"},
      {MakeI4Value(-1), u"-1 (0xFFFFFFFF)"},
      {MakeR4Value(0.1f), u"    0.1000"},
      // Floats: %10.4f by one portable rule, at most 17 significant digits
      // and zeros after them, cut at 31 characters.
      {MakeR8Value(1.5), u"    1.5000"},
      {MakeR8Value(0), u"    0.0000"},
      {MakeR8Value(-0.0), u"   -0.0000"},
      {MakeR8Value(12345678901234.5678), u"12345678901234.5680"},
      {MakeR8Value(1e30), u"1000000000000000000000000000000"},
      {MakeR8Value(Limits::max()), u"1797693134862315700000000000000"},
      {MakeR8Value(1152921504606846976.0), u"1152921504606847000.0000"},  // 2^60
      {MakeR8Value(99999999999999999.0), u"100000000000000000.0000"},
      {MakeR8Value(9.99995), u"   10.0000"},
      {MakeR8Value(0.00005), u"    0.0001"},
      {MakeR8Value(-0.00004), u"   -0.0000"},
      {MakeR8Value(0.03125), u"    0.0313"},  // exact tie at the fourth decimal: away from zero
      {MakeR8Value(5e-324), u"    0.0000"},
      {MakeR8Value(Limits::infinity()), u"       inf"},
      {MakeR8Value(-Limits::infinity()), u"      -inf"},
      {MakeR8Value(Limits::quiet_NaN()), u"       nan"},
      {MakeR8Value(-Limits::quiet_NaN()), u"       nan"},
      {MakeBoolValue(true), u"TRUE"},
      {Variant{.type = vt::kBool, .boolean = 2}, u"TRUE"},  // any non-zero
      {MakeBoolValue(false), u"FALSE"},
      {MakeUi1Value(65), u"'A' (65, 0x41)"},
      {MakeUi1Value(10), u"10 (0xA)"},
      {MakeUi1Value(32), u"' ' (32, 0x20)"},
      {MakeUi1Value(0xE9), u"'\u00E9' (233, 0xE9)"},
      {MakeStringValue(longText), u"\"" + longText + u"\""},
      {MakeStringValue(u"%d %s"), u"\"%d %s\""},
      {MakeStringValue(std::u16string(u"a\0b", 3)), u"\"a\""},
      {MakeNullStringValue(), u"\"\""},
  };
  for (ValueCase& row : cases) {
    EXPECT_EQ(VariantToText(row.value), row.text) << row.value.type;
    HeapClearValue(&row.value);
  }
  const std::vector<std::uint16_t> errorTags = {
      vt::kEmpty, vt::kCy, vt::kDate, vt::kError, 12,     16,     18,    vt::kArray,
      0x2001,     0x2006,  0x2007,    0x200A,     0x200C, 0x2010, 0x2012};
  for (const std::uint16_t tag : errorTags) {
    EXPECT_EQ(VariantToText(MakeTaggedValue(tag)), u"<conversion error>") << tag;
  }
  const std::vector<std::uint16_t> noTextTags = {vt::kDispatch, 0x2002, 0x2003, 0x2004, 0x2005,
                                                 0x2008,        0x2009, 0x200B, 0x2011};
  for (const std::uint16_t tag : noTextTags) {
    EXPECT_EQ(VariantToText(MakeTaggedValue(tag)), std::nullopt) << tag;
  }
}

struct FormatCase {
  std::size_t size;  // in bytes
  std::u16string format;
  std::vector<FormatArgument> arguments;
  WideText text;
  ResultCode result = kOk;
};

TEST(FormatBoundedTest, ConvertsAndCutsAtHalfTheSizeLessOne) {
  const std::vector<FormatCase> cases = {
      {19, u"%s %d", {u"abcdef", 42}, u"abcdef 4", kFormatTruncated},
      {2, u"%s %d", {u"abcdef", 42}, u"", kFormatTruncated},
      {64, u"%hu %x %u", {-2, 0xABCu, -1}, u"65534 abc 4294967295"},
      {64, u"%-6d|%5s|%.2s", {7, u"ab", u"xyz"}, u"7     |   ab|xy"},
      {64, u"%s 100%%", {static_cast<const WideChar*>(nullptr)}, u"(null) 100%"},
      {64, u"a%d b", {}, u"a", kFormatInvalid},
      {64, u"a%f", {u"text"}, u"a", kFormatInvalid},
      {64, u"a%", {}, u"a", kFormatInvalid},
  };
  for (const FormatCase& row : cases) {
    WideChar buffer[40];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(FormatBounded(buffer, row.size, row.format, row.arguments), row.result)
        << WideToNarrow(row.format) << " in " << row.size;
    EXPECT_EQ(WideText(buffer), row.text);
    EXPECT_EQ(buffer[row.text.size() + 1], u'#') << "wrote past the terminator";
  }
}

}  // namespace
}  // namespace hwident
