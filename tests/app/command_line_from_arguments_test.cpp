#include "app/command_line_from_arguments.h"

#include <gtest/gtest.h>

#include <vector>

namespace hwident {
namespace {

TEST(CommandLineFromArguments, JoinsArgumentsAfterTheNameWithoutLeadingBlanks) {
  const struct {
    std::vector<const char*> arguments;  // after the program's name
    const char* text;
  } cases[] = {
      {{}, ""},
      {{"A;x", "B;y"}, "A;x B;y"},
      {{"", "A;x"}, "A;x"},  // an empty first argument leaves only a blank before
      {{"A;x", "", "B;y"}, "A;x  B;y"},
      {{"\t\x01\x1f A;x\t"}, "A;x\t"},  // the whole run of 0x01..0x20 goes, later blanks stay
      {{"\xa0z"}, "\xa0z"},             // bytes from 0x80 on are never blanks
  };
  for (const auto& row : cases) {
    std::vector<const char*> argv{"/usr/bin/hwident"};
    argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());
    EXPECT_EQ(CommandLineFromArguments(static_cast<int>(argv.size()), argv.data()), row.text)
        << "arguments: " << row.arguments.size();
  }
}

}  // namespace
}  // namespace hwident
