// The built program, run as a child process with its report directory in a
// fresh temporary directory and standard input from /dev/null, so a message
// never waits for Enter.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "temp_directory.h"

namespace hwident {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

struct Outcome {
  int exitCode = -1;
  std::string errors;  // standard error
};

// Every argument in single quotes for the shell (none of ours holds one).
std::string Quoted(const std::string& text) {
  return "'" + text + "'";
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(mkdir(windows_.c_str(), 0755), 0); }

  // Runs the program with Windir set to the directory given.
  Outcome Run(const std::vector<std::string>& arguments, const std::string& windir) {
    std::string command = "Windir=" + Quoted(windir) + " " + Quoted(HWIDENT_PROGRAM);
    for (const std::string& argument : arguments) command += " " + Quoted(argument);
    const std::string errors = root_ / "stderr";
    command += " </dev/null >/dev/null 2>" + Quoted(errors);
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status)) << "status " << status;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(errors)};
  }
  Outcome Run(const std::vector<std::string>& arguments) { return Run(arguments, windows_); }

  testing::TempDirectory root_;
  const std::string windows_ = root_ / "windows";
  const std::string report_ = windows_ + "/Model.txt";
};

// What this machine's model line must read, from the sources the program
// takes it from: DMI, else the device tree, else none.
std::string ExpectedModelLine() {
  for (const char* source : {"/sys/class/dmi/id/product_name", "/proc/device-tree/model"}) {
    if (!fs::exists(source)) continue;
    std::string model = ReadFile(source);
    // sysfs ends its text with a line feed, the device tree with a zero.
    if (!model.empty() && (model.back() == '\n' || model.back() == '\0')) model.pop_back();
    return "Model = \"" + model + "\"\r\n";
  }
  return "Model = <null>\r\n";
}

TEST_F(ProgramTest, WritesTheReportAndTheMessagesForACommandLine) {
  const std::string model = ExpectedModelLine();
  // The caption of app-style messages: the program's full path.
  const std::string caption = fs::canonical(HWIDENT_PROGRAM).string() + ": ";
  const struct {
    std::vector<std::string> arguments;
    std::string errors;
    std::string report;  // after the model line
  } cases[] = {
      {{"Win32_ComputerSystem;Model", "Win32_ComputerSystem;Model,model"},
       "",
       model + model + model},
      // An entry without a property list gives its message and no request.
      {{"Win32_ComputerSystem", ";;;"},
       caption + "Win32_ComputerSystem - \n" + caption + " - \n",
       ""},
      // An unknown class gives nothing; the class name's letter case does not matter.
      {{"Win32_NoSuchClass;Name", "win32_computersystem;Model"}, "", model},
  };
  for (const auto& row : cases) {
    const Outcome outcome = Run(row.arguments);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.errors, row.errors);
    EXPECT_EQ(ReadFile(report_), model + row.report);
  }
}

TEST_F(ProgramTest, ReadOnlyReportIsReplacedWithoutAMessage) {
  WriteFile(report_, "an earlier, much longer report\r\n");
  ASSERT_EQ(chmod(report_.c_str(), 0444), 0);
  const Outcome outcome = Run({});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.errors, "");
  EXPECT_EQ(ReadFile(report_), ExpectedModelLine());
  struct stat info {};
  ASSERT_EQ(stat(report_.c_str(), &info), 0);
  EXPECT_NE(info.st_mode & S_IWUSR, 0u) << "no longer read-only";
}

TEST_F(ProgramTest, MissingDirectoryIsToldAndTheRunEndsWithZero) {
  const std::string missing = root_ / "missing";
  const Outcome outcome = Run({"Win32_ComputerSystem;Model"}, missing);
  EXPECT_EQ(outcome.exitCode, 0);
  // The path as formed, with the backslash.
  EXPECT_EQ(outcome.errors, "Error: Can not open " + missing + "\\Model.txt\n");
  EXPECT_FALSE(fs::exists(missing));
}

TEST_F(ProgramTest, LinkPlantedAtTheReportIsRefused) {
  const std::string target = root_ / "precious";
  WriteFile(target, "keep me\n");
  ASSERT_EQ(chmod(target.c_str(), 0444), 0);
  fs::create_symlink(target, report_);
  const Outcome outcome = Run({});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.errors, "Error: Can not open " + windows_ + "\\Model.txt\n");
  // Neither rewritten nor made writable through the link.
  EXPECT_EQ(ReadFile(target), "keep me\n");
  EXPECT_EQ(fs::status(target).permissions(), fs::perms(0444));
}

}  // namespace
}  // namespace hwident
