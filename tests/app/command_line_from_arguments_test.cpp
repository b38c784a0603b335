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
      {{"Win32_CDROMDrive;DeviceID"}, "Win32_CDROMDrive;DeviceID"},
      {{"A;x", "B;y"}, "A;x B;y"},
      {{"A;x B;y"}, "A;x B;y"},  // one quoted argument reads the same
      {{"", "A;x"}, "A;x"},      // an empty first argument leaves only blanks before
      {{"A;x", "", "B;y"}, "A;x  B;y"},
      {{"\t\x01\x1f A;x"}, "A;x"},  // the whole run of 0x01..0x20 goes
      {{"A;x\t"}, "A;x\t"},         // later blanks stay
      {{"  ", "\t"}, ""},
      {{"\x7f"
        "A"},
       "\x7f"
       "A"},  // 0x7F and above are not blanks
      {{"\xa0"
        "A"},
       "\xa0"
       "A"},
      {{"A;x", " "}, "A;x  "},
  };
  for (const auto& row : cases) {
    std::vector<const char*> argv{"/usr/bin/hwident"};
    argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());
    EXPECT_EQ(CommandLineFromArguments(static_cast<int>(argv.size()), argv.data()), row.text)
        << "arguments: " << row.arguments.size();
  }
}

TEST(CommandLineFromArguments, NoArgumentsAtAll) {
  EXPECT_EQ(CommandLineFromArguments(0, nullptr), "");
}

}  // namespace
}  // namespace hwident
