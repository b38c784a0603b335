// The built program, run as a child process with its report directory in a
// fresh temporary directory and standard input from /dev/null, so a message
// never waits for Enter.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

struct Outcome {
  int exitCode = -1;
  std::string errors;  // standard error
  std::string output;  // standard output
};

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "hwident-e2e-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    fs::create_directory(root_ / "windows");
    fs::create_directory(root_ / "streams");
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  fs::path Windows() const { return root_ / "windows"; }

  // Runs the program with Windir set to windir (unset when nullopt), in the
  // working directory given.
  Outcome Run(const std::vector<std::string>& arguments, const std::optional<std::string>& windir,
              const fs::path& workingDirectory) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      if (std::string_view(*entry).rfind("Windir=", 0) != 0) environment.push_back(*entry);
    }
    if (windir) environment.push_back("Windir=" + *windir);

    std::vector<std::string> argvText{HWIDENT_PROGRAM};
    argvText.insert(argvText.end(), arguments.begin(), arguments.end());
    const std::string errors = (root_ / "streams" / "stderr").string();
    const std::string output = (root_ / "streams" / "stdout").string();
    const std::string directory = workingDirectory.string();

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argvText[0].c_str(), &actions, nullptr,
                                    Pointers(argvText).data(), Pointers(environment).data());
    posix_spawn_file_actions_destroy(&actions);

    Outcome outcome;
    EXPECT_EQ(spawned, 0) << HWIDENT_PROGRAM;
    if (spawned != 0) return outcome;
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status)) << "status " << status;
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.errors = ReadFile(errors);
    outcome.output = ReadFile(output);
    return outcome;
  }

  Outcome Run(const std::vector<std::string>& arguments) {
    return Run(arguments, Windows().string(), root_);
  }

  static std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
  }

  fs::path root_;
};

// What this machine's model line must read, from the sources the program
// takes it from: DMI, else the device tree, else none.
std::string ExpectedModelLine() {
  for (const char* source : {"/sys/class/dmi/id/product_name", "/proc/device-tree/model"}) {
    std::ifstream in(source, std::ios::binary);
    if (!in) continue;
    std::string model((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // sysfs ends its text with a line feed, the device tree with a zero.
    if (!model.empty() && (model.back() == '\n' || model.back() == '\0')) model.pop_back();
    return "Model = \"" + model + "\"\r\n";
  }
  return "Model = <null>\r\n";
}

// The caption of app-style messages: the program's full path.
std::string AppCaption() {
  return fs::canonical(HWIDENT_PROGRAM).string();
}

TEST_F(ProgramTest, WritesTheReportForAFixedCommandLine) {
  const Outcome outcome =
      Run({"Win32_ComputerSystem;Model", "Win32_ComputerSystem;Model,model", "Win32_Bogus;Model"});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.errors, "");
  EXPECT_EQ(outcome.output, "");
  const std::string model = ExpectedModelLine();
  EXPECT_EQ(ReadFile(Windows() / "Model.txt"), model + model + model + model);
}

TEST_F(ProgramTest, ReadOnlyReportIsReplacedWithoutAMessage) {
  const fs::path report = Windows() / "Model.txt";
  WriteFile(report, "an earlier, much longer report\r\n");
  ASSERT_EQ(chmod(report.c_str(), 0444), 0);
  const Outcome outcome = Run({});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.errors, "");
  EXPECT_EQ(ReadFile(report), ExpectedModelLine());
  struct stat info {};
  ASSERT_EQ(stat(report.c_str(), &info), 0);
  EXPECT_NE(info.st_mode & S_IWUSR, 0u) << "no longer read-only";
}

TEST_F(ProgramTest, MissingDirectoryIsToldAndTheRunEndsWithZero) {
  const std::string missing = (root_ / "missing").string();
  const Outcome outcome = Run({"Win32_ComputerSystem;Model"}, missing, root_);
  EXPECT_EQ(outcome.exitCode, 0);
  // The path as formed, with the backslash.
  EXPECT_EQ(outcome.errors, "Error: Can not open " + missing + "\\Model.txt\n");
  EXPECT_FALSE(fs::exists(root_ / "missing"));
}

TEST_F(ProgramTest, EntryWithoutAPropertyListGivesItsMessageOnly) {
  const Outcome outcome = Run({"Win32_ComputerSystem", ";;;"});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.errors,
            AppCaption() + ": Win32_ComputerSystem - \n" + AppCaption() + ":  - \n");
  EXPECT_EQ(ReadFile(Windows() / "Model.txt"), ExpectedModelLine());
}

TEST_F(ProgramTest, UnknownClassGivesNothing) {
  const Outcome outcome = Run({"Win32_NoSuchClass;Name", "win32_computersystem;Model"});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.errors, "");
  // The class name's letter case does not matter to the service.
  EXPECT_EQ(ReadFile(Windows() / "Model.txt"), ExpectedModelLine() + ExpectedModelLine());
}

TEST_F(ProgramTest, LinkPlantedAtTheReportIsRefused) {
  const fs::path target = root_ / "precious";
  WriteFile(target, "keep me\n");
  ASSERT_EQ(chmod(target.c_str(), 0444), 0);
  const timespec stamps[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, target.c_str(), stamps, 0), 0);
  fs::create_symlink(target, Windows() / "Model.txt");

  const Outcome outcome = Run({});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.errors, "Error: Can not open " + Windows().string() + "\\Model.txt\n");
  struct stat info {};
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(ReadFile(target), "keep me\n");
  EXPECT_EQ(info.st_mode & 07777, 0444u);
  EXPECT_EQ(info.st_mtim.tv_sec, 1000000000);
  EXPECT_TRUE(fs::is_symlink(Windows() / "Model.txt"));
}

TEST_F(ProgramTest, WithoutWindirTheReportGoesToTheWorkingDirectory) {
  const Outcome outcome = Run({}, std::nullopt, root_);
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.errors, "");
  EXPECT_EQ(ReadFile(root_ / "Model.txt"), ExpectedModelLine());
}

}  // namespace
