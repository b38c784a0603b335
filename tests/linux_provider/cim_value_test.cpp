// Typing: each CIM type arrives in the variant tag WMI uses for it, and
// machine text that is not UTF-8 still converts.
#include <gtest/gtest.h>

#include "platform/heap/heap_values.h"
#include "platform/linux/provider/values/cim_value.h"
#include "platform/linux/provider/values/firmware_text.h"
#include "provider_test_support.h"

namespace hwident::test {
namespace {

TEST(CimToVariant, DeliversEachTypeInItsWmiTag) {
  struct Row {
    CimType type;
    Fact fact;
    std::uint16_t tag;
    std::string text;
  } rows[] = {
      {CimType::kString, Fact::Text("To be filled by O.E.M."), vt::kBstr,
       "\"To be filled by O.E.M.\""},
      {CimType::kString, Fact::Text(""), vt::kBstr, "\"\""},
      {CimType::kString, Fact::Null(), vt::kNull, "<null>"},
      {CimType::kUint16, Fact::Text("65535"), vt::kI4, "65535 (0xFFFF)"},
      {CimType::kUint16, Fact::Text("65536"), vt::kNull, "<null>"},
      {CimType::kUint16, Fact::Text("-1"), vt::kNull, "<null>"},
      // At or above 2^31 a uint32 keeps its bits in the signed VT_I4.
      {CimType::kUint32, Fact::Text("4293918720"), vt::kI4, "-1048576 (0xFFF00000)"},
      {CimType::kUint32, Fact::Text("4294967296"), vt::kNull, "<null>"},
      {CimType::kUint32, Fact::Text(" 12"), vt::kNull, "<null>"},
      {CimType::kUint32, Fact::Text("12 kB"), vt::kNull, "<null>"},
      {CimType::kSint16, Fact::Text("-300"), vt::kI2, "65236 (0xFED4)"},
      {CimType::kSint16, Fact::Text("40000"), vt::kNull, "<null>"},
      {CimType::kUint8, Fact::Text("255"), vt::kUi1, "'\u00ff' (255, 0xFF)"},
      {CimType::kUint8, Fact::Text("256"), vt::kNull, "<null>"},
      // 64-bit integers travel as decimal text.
      {CimType::kUint64, Fact::Text("18446744073709551615"), vt::kBstr, "\"18446744073709551615\""},
      {CimType::kUint64, Fact::Text("18446744073709551616"), vt::kNull, "<null>"},
      {CimType::kUint64, Fact::Text("-5"), vt::kNull, "<null>"},
      {CimType::kBoolean, Fact::Flag(false), vt::kBool, "FALSE"},
      {CimType::kBoolean, Fact::Text("yes"), vt::kNull, "<null>"},
      {CimType::kDatetime, Fact::Text("20201127000000.000000+000"), vt::kBstr,
       "\"20201127000000.000000+000\""},
      {CimType::kUint16Array, Fact::List({"3", "7"}), vt::kArray | vt::kI4, "{3 (0x3),7 (0x7)}"},
      {CimType::kUint16Array, Fact::List({}), vt::kArray | vt::kI4, "{}"},
      {CimType::kUint16Array, Fact::List({"3", "x"}), vt::kNull, "<null>"},
      {CimType::kUint16Array, Fact::Text("3"), vt::kNull, "<null>"},
      {CimType::kStringArray, Fact::List({"enUS", "deDE"}), vt::kArray | vt::kBstr,
       "{\"enUS\",\"deDE\"}"},
      {CimType::kString, Fact::List({"a"}), vt::kNull, "<null>"},
  };
  for (const Row& row : rows) {
    Variant value = CimToVariant(row.type, row.fact);
    EXPECT_EQ(value.type, row.tag) << row.text;
    EXPECT_EQ(RenderValue(value), row.text);
    HeapClearValue(&value);
  }
}

// A lone code-page byte and a good two-byte sequence are pinned by the
// desktop fixture's report.
TEST(DecodeMachineText, ReplacesEachBadByteAndKeepsTheRest) {
  struct Case {
    std::string bytes;
    std::u16string wide;
  } cases[] = {
      {"\xe2\x82", u"\ufffd\ufffd"},            // cut short
      {"\xc0\xaf", u"\ufffd\ufffd"},            // overlong
      {"\xed\xa0\x80", u"\ufffd\ufffd\ufffd"},  // a surrogate
      {"\xf0\x9f\x92\xbf", u"\U0001F4BF"},      // outside the BMP: a pair
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeMachineText(c.bytes), c.wide) << c.bytes;
}

}  // namespace
}  // namespace hwident::test
