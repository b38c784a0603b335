// The version and usage options of the built program: printed on standard
// output, exit status 0, the report left alone.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "program_under_test.h"
#include "temp_directory.h"

namespace hwident {
namespace {

using testing::ReadFile;
using testing::WriteFile;

struct Printed {
  int exitCode = -1;
  std::string output;  // standard output
  std::string errors;  // standard error
};

class ProgramInfoRunTest : public ::testing::Test {
 protected:
  // Runs the program in the temporary directory with Windir set there;
  // `output` is where standard output goes.
  Printed Run(const std::vector<std::string>& arguments, const std::string& output) {
    std::string command = "Windir='" + root_.path() + "' " + testing::ProgramShellCommand();
    for (const std::string& argument : arguments) command += " '" + argument + "'";
    const std::string errors = root_ / "stderr";
    command += " </dev/null >'" + output + "' 2>'" + errors + "'";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status)) << "status " << status;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            output == "/dev/full" ? "" : ReadFile(output), ReadFile(errors)};
  }
  Printed Run(const std::vector<std::string>& arguments) {
    return Run(arguments, root_ / "stdout");
  }

  testing::TempDirectory root_;
  const std::string report_ = root_ / "Model.txt";
};

TEST_F(ProgramInfoRunTest, LoneOptionPrintsAndLeavesTheReportAlone) {
  const struct {
    const char* option;
    std::string firstLine;
  } cases[] = {
      {"--version", "hwident " HWIDENT_VERSION},
      {"--help", "Usage: hwident [CLASS;PROPERTY[,PROPERTY...]]..."},
      {"-h", "Usage: hwident [CLASS;PROPERTY[,PROPERTY...]]..."},
  };
  for (const auto& row : cases) {
    WriteFile(report_, "an earlier report\r\n");
    const Printed printed = Run({row.option});
    EXPECT_EQ(printed.exitCode, 0) << row.option;
    EXPECT_EQ(printed.output.substr(0, printed.output.find('\n')), row.firstLine);
    EXPECT_EQ(printed.errors, "") << row.option;
    EXPECT_EQ(ReadFile(report_), "an earlier report\r\n") << row.option;
  }
}

TEST_F(ProgramInfoRunTest, NoReportIsMadeForALoneOption) {
  EXPECT_EQ(Run({"--version"}).exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(report_));
}

TEST_F(ProgramInfoRunTest, OptionBesideAnEntryIsAnEntry) {
  const Printed printed = Run({"--version", "Win32_ComputerSystem;Model"});
  EXPECT_EQ(printed.exitCode, 0);
  EXPECT_EQ(printed.output, "");
  // "--version" has no property list: its message, then the usual report.
  EXPECT_NE(printed.errors.find(": --version - \n"), std::string::npos) << printed.errors;
  const std::string report = ReadFile(report_);
  EXPECT_EQ(report.rfind("Model = ", 0), 0u) << report;
}

TEST_F(ProgramInfoRunTest, OutputThatCannotBeWrittenFails) {
  EXPECT_EQ(Run({"--help"}, "/dev/full").exitCode, 1);
  EXPECT_FALSE(std::filesystem::exists(report_));
}

}  // namespace
}  // namespace hwident
