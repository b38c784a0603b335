#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "collect/fixed_point_text.h"
#include "collect/format_bounded.h"
#include "collect/variant_to_text.h"
#include "platform/scripted/scripted_service_values.h"

namespace hwident {
namespace {

struct ValueCase {
  const char* name;
  Variant value;
  std::optional<WideText> text;
};

TEST(VariantToTextTest, RendersEachTypeTag) {
  const std::vector<ValueCase> cases = {
      {"null", MakeNullValue(), u"<null>"},
      {"i2 negative reads unsigned", MakeI2Value(-2), u"65534 (0xFFFE)"},
      {"i2 small", MakeI2Value(10), u"10 (0xA)"},
      {"i4 negative", MakeI4Value(-1), u"-1 (0xFFFFFFFF)"},
      {"i4 255", MakeI4Value(255), u"255 (0xFF)"},
      {"i4 minimum", MakeI4Value(INT32_MIN), u"-2147483648 (0x80000000)"},
      {"r8 padded to ten", MakeR8Value(1.5), u"    1.5000"},
      {"r8 negative", MakeR8Value(-2.25), u"   -2.2500"},
      {"r8 wider than ten", MakeR8Value(123456.125), u"123456.1250"},
      {"r4 widened", MakeR4Value(0.1f), u"    0.1000"},
      {"r8 cut at 31 characters", MakeR8Value(1e30), u"1000000000000000000000000000000"},
      {"bool true", MakeBoolValue(true), u"TRUE"},
      {"bool any non-zero",
       [] {
         Variant value = MakeBoolValue(false);
         value.boolean = 2;
         return value;
       }(),
       u"TRUE"},
      {"bool false", MakeBoolValue(false), u"FALSE"},
      {"ui1 letter", MakeUi1Value(65), u"'A' (65, 0x41)"},
      {"ui1 control", MakeUi1Value(10), u"10 (0xA)"},
      {"ui1 31 is control", MakeUi1Value(31), u"31 (0x1F)"},
      {"ui1 space", MakeUi1Value(32), u"' ' (32, 0x20)"},
      {"ui1 high byte", MakeUi1Value(0xE9), u"'\u00E9' (233, 0xE9)"},
      {"empty", MakeTaggedValue(vt::kEmpty), u"<conversion error>"},
      {"currency", MakeTaggedValue(vt::kCy), u"<conversion error>"},
      {"date", MakeTaggedValue(vt::kDate), u"<conversion error>"},
      {"error", MakeTaggedValue(vt::kError), u"<conversion error>"},
      {"tag 12", MakeTaggedValue(12), u"<conversion error>"},
      {"tag 16", MakeTaggedValue(16), u"<conversion error>"},
      {"tag 18", MakeTaggedValue(18), u"<conversion error>"},
      {"bare array flag", MakeTaggedValue(vt::kArray), u"<conversion error>"},
      {"tag 0x2001", MakeTaggedValue(0x2001), u"<conversion error>"},
      {"currency array", MakeTaggedValue(0x2006), u"<conversion error>"},
      {"date array", MakeTaggedValue(0x2007), u"<conversion error>"},
      {"error array", MakeTaggedValue(0x200A), u"<conversion error>"},
      {"tag 0x200C", MakeTaggedValue(0x200C), u"<conversion error>"},
      {"tag 0x2010", MakeTaggedValue(0x2010), u"<conversion error>"},
      {"tag 0x2012", MakeTaggedValue(0x2012), u"<conversion error>"},
      {"dispatch", MakeTaggedValue(vt::kDispatch), std::nullopt},
      {"i2 array", MakeTaggedValue(0x2002), std::nullopt},
      {"i4 array", MakeTaggedValue(0x2003), std::nullopt},
      {"r4 array", MakeTaggedValue(0x2004), std::nullopt},
      {"r8 array", MakeTaggedValue(0x2005), std::nullopt},
      {"string array", MakeTaggedValue(0x2008), std::nullopt},
      {"dispatch array", MakeTaggedValue(0x2009), std::nullopt},
      {"bool array", MakeTaggedValue(0x200B), std::nullopt},
      {"byte array", MakeTaggedValue(0x2011), std::nullopt},
  };
  for (const ValueCase& row : cases) {
    EXPECT_EQ(VariantToText(row.value), row.text) << row.name;
  }
}

TEST(VariantToTextTest, QuotesStringsWholeAndNullAsEmpty) {
  const WideText longText(5000, u'x');
  const std::vector<std::pair<Variant, WideText>> cases = {
      {MakeStringValue(u"HAL 9000"), u"\"HAL 9000\""},
      {MakeStringValue(u""), u"\"\""},
      {MakeStringValue(longText), u"\"" + longText + u"\""},
      {MakeStringValue(u"%d %s"), u"\"%d %s\""},
      {MakeStringValue(std::u16string(u"a\0b", 3)), u"\"a\""},
      {MakeNullStringValue(), u"\"\""},
  };
  for (auto [value, text] : cases) {
    EXPECT_EQ(VariantToText(value), text);
    HeapClearValue(&value);
  }
}

struct FloatCase {
  double value;
  std::string text;
};

// Four decimals, the precision every value is printed with.
TEST(FixedPointTextTest, KeepsSeventeenSignificantDigits) {
  const std::vector<FloatCase> cases = {
      {1.5, "1.5000"},
      {0, "0.0000"},
      {-0.0, "-0.0000"},
      {12345678901234.5678, "12345678901234.5680"},
      {1e30, "1000000000000000000000000000000.0000"},
      {0.1, "0.1000"},
      {2.675, "2.6750"},
      {9.99995, "10.0000"},
      {0.00005, "0.0001"},
      {-0.00004, "-0.0000"},
      {0.03125, "0.0313"},  // exact tie at the fourth decimal: away from zero
      {-0.03125, "-0.0313"},
      {0.96875, "0.9688"},
      {1152921504606846976.0, "1152921504606847000.0000"},  // 2^60
      {99999999999999999.0, "100000000000000000.0000"},
      {5e-324, "0.0000"},
      {4503599627370495.5, "4503599627370495.5000"},
      {std::numeric_limits<double>::infinity(), "inf"},
      {-std::numeric_limits<double>::infinity(), "-inf"},
      {std::numeric_limits<double>::quiet_NaN(), "nan"},
      {-std::numeric_limits<double>::quiet_NaN(), "nan"},
  };
  for (const FloatCase& row : cases) {
    EXPECT_EQ(FixedPointText(row.value, 4), row.text) << row.text;
  }
}

TEST(FixedPointTextTest, LargestDoubleHasZerosAfterSeventeenDigits) {
  const std::string text = FixedPointText(std::numeric_limits<double>::max(), 4);
  EXPECT_EQ(text, "17976931348623157" + std::string(292, '0') + ".0000");
}

TEST(FixedPointTextTest, OtherPrecisions) {
  EXPECT_EQ(FixedPointText(2.5, 0), "3");
  EXPECT_EQ(FixedPointText(0.4, 0), "0");
  EXPECT_EQ(FixedPointText(1.0 / 3, 6), "0.333333");
  EXPECT_EQ(FixedPointText(1.0 / 3, 20), "0.33333333333333331000");
}

struct BoundCase {
  std::size_t size;
  WideText written;
  ResultCode result;
};

TEST(FormatBoundedTest, CutsAtHalfTheSizeLessOne) {
  const std::vector<BoundCase> cases = {
      {64, u"abcdef 42", kOk},
      {20, u"abcdef 42", kOk},
      {19, u"abcdef 4", kFormatTruncated},
      {18, u"abcdef 4", kFormatTruncated},
      {4, u"a", kFormatTruncated},
      {2, u"", kFormatTruncated},
  };
  for (const BoundCase& row : cases) {
    WideChar buffer[40];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(FormatBounded(buffer, row.size, u"%s %d", {u"abcdef", 42}), row.result);
    EXPECT_EQ(WideText(buffer), row.written) << row.size;
    EXPECT_EQ(buffer[row.written.size() + 1], u'#') << "wrote past the terminator";
  }
}

TEST(FormatBoundedTest, WritesNothingBelowTwoBytes) {
  WideChar buffer[2] = {u'#', u'#'};
  FormatBounded(buffer, 1, u"x", {});
  FormatBounded(buffer, 0, u"x", {});
  EXPECT_EQ(buffer[0], u'#');
}

struct FormatCase {
  std::u16string format;
  std::vector<FormatArgument> arguments;
  WideText text;
};

TEST(FormatBoundedTest, Conversions) {
  const std::vector<FormatCase> cases = {
      {u"%hu (0x%hX)", {std::uint32_t{0xFFFE}, std::uint32_t{0xFFFE}}, u"65534 (0xFFFE)"},
      {u"%hu", {std::int32_t{-2}}, u"65534"},
      {u"%d (0x%X)", {std::int32_t{-1}, std::int32_t{-1}}, u"-1 (0xFFFFFFFF)"},
      {u"%x", {std::uint32_t{0xABC}}, u"abc"},
      {u"%u", {std::int32_t{-1}}, u"4294967295"},
      {u"'%c'", {WideChar{u'A'}}, u"'A'"},
      {u"%10.4f|", {1.5}, u"    1.5000|"},
      {u"%-6d|", {std::int32_t{7}}, u"7     |"},
      {u"%5s|%.2s", {u"ab", u"xyz"}, u"   ab|xy"},
      {u"\"%wS\"", {u"q"}, u"\"q\""},
      {u"%s", {static_cast<const WideChar*>(nullptr)}, u"(null)"},
      {u"100%%", {}, u"100%"},
  };
  for (const FormatCase& row : cases) {
    WideChar buffer[32];
    const ResultCode result = FormatBounded(buffer, sizeof buffer, row.format, row.arguments);
    EXPECT_EQ(result, kOk) << WideToNarrow(row.format);
    EXPECT_EQ(WideText(buffer), row.text);
  }
}

TEST(FormatBoundedTest, MissingOrMismatchedArgumentEndsTheOutput) {
  WideChar buffer[32];
  EXPECT_EQ(FormatBounded(buffer, sizeof buffer, u"a%d b", {}), kFormatInvalid);
  EXPECT_EQ(WideText(buffer), u"a");
  EXPECT_EQ(FormatBounded(buffer, sizeof buffer, u"a%f", {u"text"}), kFormatInvalid);
  EXPECT_EQ(WideText(buffer), u"a");
  EXPECT_EQ(FormatBounded(buffer, sizeof buffer, u"a%q", {1.0}), kFormatInvalid);
  EXPECT_EQ(FormatBounded(buffer, sizeof buffer, u"a%", {}), kFormatInvalid);
}

}  // namespace
}  // namespace hwident
