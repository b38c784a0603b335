#include "text/tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hwident {
namespace {

struct SplitCase {
  const char* name;
  std::string text;
  std::string delimiters;
  std::vector<NarrowText> tokens;
};

TEST(CTokenizerTest, SplitsAtRunsOfDelimitersUntilAFinalFalse) {
  const std::vector<SplitCase> cases = {
      {"only delimiters", ";;;", ";", {}},
      {"leading trailing and repeated", "  a  b  ", " ", {"a", "b"}},
      {"set not separator", "BIOS;Name,Ver;,Caption", ",;", {"BIOS", "Name", "Ver", "Caption"}},
      {"empty set keeps whole text", " a;b ", "", {" a;b "}},
      {"high byte not a delimiter unless listed", "a\xA0z c", " ", {"a\xA0z", "c"}},
      {"high bytes 160 and 255 listed", "a\xA0z\xFFy", "\xA0\xFF", {"a", "z", "y"}},
      {"zero byte is a byte like any", std::string("a\0b", 3), std::string("\0", 1), {"a", "b"}},
      {"trail byte equal to delimiter splits", "\x81\\x", "\\", {"\x81", "x"}},
  };
  for (const SplitCase& row : cases) {
    // The text is a copy that dies at once: the tokenizer must keep its own.
    CTokenizer tokenizer(std::string(row.text), row.delimiters);
    std::vector<NarrowText> tokens;
    NarrowText token;
    while (tokenizer.NextToken(token)) tokens.push_back(token);
    EXPECT_EQ(tokens, row.tokens) << row.name;
    EXPECT_EQ(token, "") << "false empties the token";
    EXPECT_FALSE(tokenizer.NextToken(token)) << "false is final";
  }
}

}  // namespace
}  // namespace hwident
