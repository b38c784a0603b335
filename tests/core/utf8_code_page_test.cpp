#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/wide_text.h"

namespace hwident {
namespace {

struct NarrowCase {
  const char* name;
  std::string narrow;
  std::u16string wide;
};

TEST(Utf8CodePageTest, NarrowToWideReplacesEachBadByte) {
  const std::vector<NarrowCase> cases = {
      {"two bytes", "caf\xC3\xA9", u"caf\u00E9"},
      {"three bytes", "\xE2\x82\xAC", u"\u20AC"},
      {"four bytes become a pair", "\xF0\x9F\x98\x80", u"\U0001F600"},
      {"lone continuation", "a\x80z", u"a\uFFFDz"},
      {"cut sequence at end", "a\xE2\x82", u"a\uFFFD\uFFFD"},
      {"cut sequence mid text", "\xC3z", u"\uFFFDz"},
      {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"zero byte kept", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
  };
  for (const NarrowCase& row : cases) {
    EXPECT_EQ(NarrowToWide(row.narrow), row.wide) << row.name;
  }
}

TEST(Utf8CodePageTest, WideToNarrowStopsAtZeroAndReplacesLoneSurrogates) {
  const std::vector<NarrowCase> cases = {
      {"two bytes", "caf\xC3\xA9", u"caf\u00E9"},
      {"stops at zero", "a", std::u16string(u"a\0b", 3)},
      {"lone high at end", "a\xEF\xBF\xBD", std::u16string{u'a', char16_t(0xD800)}},
      {"lone low", "\xEF\xBF\xBDz", std::u16string{char16_t(0xDC00), u'z'}},
      {"high then a pair", "\xEF\xBF\xBD\xF0\x90\x80\x80",
       std::u16string{char16_t(0xD800), char16_t(0xD800), char16_t(0xDC00)}},
  };
  for (const NarrowCase& row : cases) {
    EXPECT_EQ(WideToNarrow(row.wide), row.narrow) << row.name;
  }
}

}  // namespace
}  // namespace hwident
