#include "app/process_command_line.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

namespace hwident {
namespace {

struct StartupCase {
  const char* name;
  std::string fullLine;
  std::string expected;
};

// Rows print as their names, not as bytes.
void PrintTo(const StartupCase& row, std::ostream* out) {
  *out << row.name;
}

class ProcessCommandLineTest : public ::testing::TestWithParam<StartupCase> {};

TEST_P(ProcessCommandLineTest, GivesTextAfterProgramName) {
  const StartupCase& row = GetParam();
  EXPECT_EQ(std::string(ProcessCommandLine(row.fullLine)), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProcessCommandLineTest,
    ::testing::Values(StartupCase{"Empty", "", ""}, StartupCase{"NameOnly", "hwident.exe", ""},
                      StartupCase{"NameAndTrailingBlanks", "hwident.exe  \t ", ""},
                      StartupCase{"UnquotedName", "hwident.exe Win32_BIOS;Name", "Win32_BIOS;Name"},
                      StartupCase{"QuotedNameWithBlanks", "\"C:\\My Tools\\hwident.exe\" a;b c;d",
                                  "a;b c;d"},
                      // Text glued to the closing quote is no longer part of the name.
                      StartupCase{"TextAfterClosingQuote", "\"C:\\x.exe\"a;b", "a;b"},
                      StartupCase{"QuoteWithoutClose", "\"C:\\x y.exe a;b", ""},
                      StartupCase{"EmptyQuotedName", "\"\" a;b", "a;b"},
                      // A quote inside an unquoted name does not open a quoted part.
                      StartupCase{"QuoteInsideUnquotedName", "C:\\a\"b c\".exe x;y", "c\".exe x;y"},
                      // Every control character ends an unquoted name and is skipped.
                      StartupCase{"TabEndsName", "hwident.exe\tx;y", "x;y"},
                      StartupCase{"ControlRunSkipped", "hwident.exe \x01\x1f\t\r\n x;y", "x;y"},
                      // Only the run after the name goes; later blanks and tabs stay.
                      StartupCase{"LaterBlanksStay", "hwident.exe  a;b\tc;d  ", "a;b\tc;d  "},
                      // Bytes above 0x7f are ordinary characters, never blanks.
                      StartupCase{"HighBytesInName", "C:\\\xe9t\xe9.exe \xe9;\xff", "\xe9;\xff"},
                      StartupCase{"HighByteStartsText", "x.exe \xa0y;z", "\xa0y;z"},
                      StartupCase{"DeleteIsNotBlank", "x.exe \x7fy;z", "\x7fy;z"}),
    [](const ::testing::TestParamInfo<StartupCase>& info) { return std::string(info.param.name); });

TEST(ProcessCommandLine, ResultViewsIntoTheGivenLine) {
  const std::string_view line = "\"a b.exe\"  x;y";
  const std::string_view text = ProcessCommandLine(line);
  EXPECT_EQ(text.data(), line.data() + 11);
  EXPECT_EQ(text.size(), 3u);
}

}  // namespace
}  // namespace hwident
