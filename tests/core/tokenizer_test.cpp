#include "text/tokenizer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace hwident {
namespace {

std::vector<NarrowText> Split(std::string_view text, std::string_view delimiters) {
  CTokenizer tokenizer(text, delimiters);
  std::vector<NarrowText> tokens;
  NarrowText token;
  while (tokenizer.NextToken(token)) tokens.push_back(token);
  return tokens;
}

struct SplitCase {
  const char* name;
  std::string text;
  std::string delimiters;
  std::vector<NarrowText> tokens;
};

TEST(CTokenizerTest, SplitsAtRunsOfDelimiters) {
  const std::vector<SplitCase> cases = {
      {"empty text", "", ";", {}},
      {"only delimiters", ";;;", ";", {}},
      {"leading trailing and repeated", "  a  b  ", " ", {"a", "b"}},
      {"three fields", "x;y;z", ";", {"x", "y", "z"}},
      {"set not separator", "a,b;c;,d", ",;", {"a", "b", "c", "d"}},
      {"pair never a separator", "a,;b", ";,", {"a", "b"}},
      {"empty set keeps whole text", " a;b ", "", {" a;b "}},
      {"empty set empty text", "", "", {}},
      {"delimiter repeated in set", "a;b", ";;;", {"a", "b"}},
      {"high byte not a delimiter unless listed",
       "a\xA0"
       "b c",
       " ",
       {"a\xA0"
        "b",
        "c"}},
      {"high byte listed splits",
       "a\xA0"
       "b\xFF"
       "c",
       "\xA0\xFF",
       {"a", "b", "c"}},
      {"byte 0xFF does not match 0x7F",
       "a\x7F"
       "b",
       "\xFF",
       {"a\x7F"
        "b"}},
      {"zero byte is a byte like any", std::string("a\0b", 3), std::string("\0", 1), {"a", "b"}},
      {"trail byte equal to delimiter splits",
       "\x81\x5C"
       "x",
       "\\",
       {"\x81", "x"}},
      {"bit 31 of a word", "a?b@c", "?", {"a", "b@c"}},
      {"bit 0 of a word", "a b!c", " ", {"a", "b!c"}},
  };
  for (const SplitCase& row : cases) {
    EXPECT_EQ(Split(row.text, row.delimiters), row.tokens) << row.name;
  }
}

TEST(CTokenizerTest, FalseIsFinalAndEmptiesTheToken) {
  CTokenizer tokenizer("a;", ";");
  NarrowText token = "stale";
  ASSERT_TRUE(tokenizer.NextToken(token));
  EXPECT_EQ(token, "a");
  for (int call = 0; call < 3; ++call) {
    token = "stale";
    EXPECT_FALSE(tokenizer.NextToken(token));
    EXPECT_EQ(token, "");
  }
}

TEST(CTokenizerTest, OwnsItsCopyOfTheText) {
  auto text = std::make_unique<std::string>("Win32_BIOS;Name,Version");
  CTokenizer tokenizer(*text, ";");
  text.reset();
  NarrowText className, list;
  EXPECT_TRUE(tokenizer.NextToken(className));
  EXPECT_TRUE(tokenizer.NextToken(list));
  EXPECT_EQ(className, "Win32_BIOS");
  EXPECT_EQ(list, "Name,Version");
}

TEST(CTokenizerTest, ReadersOfTwoTokensLeaveTheRest) {
  CTokenizer tokenizer("a;b;c", ";");
  NarrowText first, second;
  tokenizer.NextToken(first);
  tokenizer.NextToken(second);
  EXPECT_EQ(first, "a");
  EXPECT_EQ(second, "b");
}

}  // namespace
}  // namespace hwident
