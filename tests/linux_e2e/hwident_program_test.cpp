// The built program, run as a child process with its report directory in a
// fresh temporary directory, standard input from /dev/null (so a message never
// waits for Enter) and standard error on a pipe.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "program_under_test.h"
#include "temp_directory.h"

namespace hwident {
namespace {

namespace fs = std::filesystem;
using testing::Names;
using testing::ReadFile;
using testing::WriteFile;
using Set = std::set<std::string>;
using Arguments = std::vector<std::string>;

struct Outcome {
  int exitCode = -1;
  std::string errors;  // standard error
};

// Starts the program with Windir set and standard error on errorsFd; prepare
// runs in the child just before the program starts.
pid_t Start(const std::string& program, const Arguments& arguments, const std::string& windir,
            int errorsFd, const std::function<void()>& prepare = {}) {
  const pid_t child = fork();
  if (child != 0) return child;
  const int null = open("/dev/null", O_RDWR);
  dup2(null, STDIN_FILENO);
  dup2(null, STDOUT_FILENO);
  dup2(errorsFd, STDERR_FILENO);
  setenv("Windir", windir.c_str(), 1);
  if (prepare) prepare();
  std::vector<std::string> words = testing::ProgramCommand();
  words.back() = program;
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  execv(argv[0], argv.data());
  _exit(127);
}

// A pipe whose ends the children started later do not inherit.
std::pair<int, int> Pipe() {
  int ends[2] = {-1, -1};
  EXPECT_EQ(pipe2(ends, O_CLOEXEC), 0);
  return {ends[0], ends[1]};
}

std::string ReadAll(int fd) {
  std::string text;
  char chunk[4096];
  for (ssize_t got; (got = read(fd, chunk, sizeof chunk)) > 0;) text.append(chunk, got);
  close(fd);
  return text;
}

int ExitCode(int status) {
  EXPECT_TRUE(WIFEXITED(status)) << "status " << status;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The user a run must be where root would be let through everything:
// nobody when the tests run as root, else the user running them.
constexpr uid_t kNobody = 65534;
uid_t OrdinaryUser() {
  return geteuid() == 0 ? kNobody : geteuid();
}

class ProgramTest : public ::testing::Test {
 public:
  void SetUp() override { ASSERT_EQ(mkdir(windows_.c_str(), 0755), 0); }

  Outcome Run(const Arguments& arguments, const std::string& windir,
              const std::function<void()>& prepare = {},
              const std::string& program = HWIDENT_PROGRAM) {
    const auto [readEnd, writeEnd] = Pipe();
    const pid_t child = Start(program, arguments, windir, writeEnd, prepare);
    close(writeEnd);
    const std::string errors = ReadAll(readEnd);
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    return {ExitCode(status), errors};
  }
  Outcome Run(const Arguments& arguments, const std::function<void()>& prepare = {}) {
    return Run(arguments, windows_, prepare);
  }
  // A run as the ordinary user. Run by root, the program goes as nobody,
  // from a copy in the test's directory: the build tree may be closed to it.
  Outcome RunAsOrdinaryUser(const Arguments& arguments) {
    if (geteuid() != 0) return Run(arguments);
    const std::string program = root_ / "hwident";
    if (!fs::exists(program)) fs::copy_file(HWIDENT_PROGRAM, program);
    EXPECT_EQ(chmod(root_.path().c_str(), 0755), 0);
    EXPECT_EQ(chmod(program.c_str(), 0755), 0);
    const auto becomeNobody = [] {
      if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(126);
    };
    return Run(arguments, windows_, becomeNobody, program);
  }

  testing::TempDirectory root_;
  const std::string windows_ = root_ / "windows";
  const std::string report_ = windows_ + "/Model.txt";
  const std::string formed_ = windows_ + "\\Model.txt";  // as messages show it
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
  EXPECT_EQ(outcome.errors, "Error: Can not open " + formed_ + "\n");
  // Neither rewritten nor made writable through the link.
  EXPECT_EQ(ReadFile(target), "keep me\n");
  EXPECT_EQ(fs::status(target).permissions(), fs::perms(0444));
}

// Whatever sits at the report's name is replaced by a new file of the running
// user, mode 0644 less the umask, without a message. The old file is never
// written: a hard link's other name keeps its bytes, mode and owner.
void ExpectReplaced(ProgramTest& test, mode_t mode, uid_t owner) {
  const std::string other = test.root_ / "other";
  fs::remove(test.report_);
  fs::remove(other);
  WriteFile(other, "old\r\n");
  ASSERT_EQ(chown(other.c_str(), owner, owner), 0);  // first: it clears set-user-ID
  ASSERT_EQ(chmod(other.c_str(), mode), 0);
  ASSERT_EQ(link(other.c_str(), test.report_.c_str()), 0);
  const mode_t mask = umask(0);
  umask(mask);

  const Outcome outcome = test.Run({});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.errors, "");
  EXPECT_EQ(ReadFile(test.report_), ExpectedModelLine());
  struct stat report {
  }, kept{};
  ASSERT_EQ(stat(test.report_.c_str(), &report), 0);
  ASSERT_EQ(stat(other.c_str(), &kept), 0);
  EXPECT_EQ(report.st_uid, geteuid());
  EXPECT_EQ(report.st_mode & 07777, 0644 & ~mask);
  EXPECT_EQ(kept.st_nlink, 1u) << "no longer linked to the report";
  EXPECT_EQ(kept.st_uid, owner);
  EXPECT_EQ(kept.st_mode & 07777, mode);
  EXPECT_EQ(ReadFile(other), "old\r\n");
  EXPECT_EQ(Names(test.windows_), Set{"Model.txt"});
}

TEST_F(ProgramTest, ReadOnlyOrLinkedReportIsReplacedWithoutAMessage) {
  for (const mode_t mode : {0444, 0600, 04755}) ExpectReplaced(*this, mode, geteuid());
}

// A root run in a world-writable directory must not write root's serials
// into a file another user planted and still owns. Root could have written
// any of them, so it replaces them all.
TEST_F(ProgramTest, FileOfAnotherUserIsReplacedByOurs) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to plant a file of another user";
  ASSERT_EQ(chmod(windows_.c_str(), 01777), 0);
  for (const mode_t mode : {0666, 0644, 0400}) ExpectReplaced(*this, mode, kNobody);
}

// An ordinary user in a directory everybody may write (no sticky bit) may
// not replace a report it could neither write nor make writable: refused,
// and the report stays exactly as it was.
TEST_F(ProgramTest, ReportTheRunnerCouldNotWriteIsRefused) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to plant a report of another user";
  ASSERT_EQ(chmod(windows_.c_str(), 0777), 0);
  WriteFile(report_, "old\r\n");
  ASSERT_EQ(chmod(report_.c_str(), 0644), 0);
  struct stat before {
  }, after{};
  ASSERT_EQ(stat(report_.c_str(), &before), 0);
  const Outcome outcome = RunAsOrdinaryUser({});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.errors, "Error: Can not open " + formed_ + "\n");
  EXPECT_EQ(ReadFile(report_), "old\r\n");
  ASSERT_EQ(stat(report_.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_uid, 0u);
  EXPECT_EQ(after.st_mode & 07777, 0644u);
  EXPECT_EQ(Names(windows_), Set{"Model.txt"});
}

// A directory the runner may not write still gets its report where the old
// one may be written as it stands: rewritten in place, the same file with
// its mode. A report the runner may not write there is refused.
TEST_F(ProgramTest, ReportInAReadOnlyDirectoryIsRewrittenInPlace) {
  const struct {
    mode_t mode;
    bool written;
  } cases[] = {{0640, true}, {0440, false}};
  for (const auto& row : cases) {
    ASSERT_EQ(chmod(windows_.c_str(), 0755), 0);
    fs::remove(report_);
    WriteFile(report_, "old\r\n");
    ASSERT_EQ(chown(report_.c_str(), OrdinaryUser(), static_cast<gid_t>(-1)), 0);
    ASSERT_EQ(chmod(report_.c_str(), row.mode), 0);
    ASSERT_EQ(chmod(windows_.c_str(), 0555), 0);
    struct stat before {
    }, after{};
    ASSERT_EQ(stat(report_.c_str(), &before), 0);
    const Outcome outcome = RunAsOrdinaryUser({});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.errors, row.written ? "" : "Error: Can not open " + formed_ + "\n");
    EXPECT_EQ(ReadFile(report_), row.written ? ExpectedModelLine() : "old\r\n");
    ASSERT_EQ(stat(report_.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode & 07777, row.mode);
    EXPECT_EQ(Names(windows_), Set{"Model.txt"});
  }
}

// A run killed outright leaves its temporary file; the next run removes it,
// and only it.
TEST_F(ProgramTest, TemporaryFileOfAKilledRunIsRemoved) {
  WriteFile(report_, "old\r\n");
  WriteFile(windows_ + "/.Model.txt.Ab3dE9", "Model = \"half");
  WriteFile(windows_ + "/.Model.txt.Ab3dE", "not ours");
  const Outcome outcome = Run({});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.errors, "");
  EXPECT_EQ(ReadFile(report_), ExpectedModelLine());
  EXPECT_EQ(Names(windows_), (Set{"Model.txt", ".Model.txt.Ab3dE"}));
}

// A write that fails keeps the previous report whole, says so, and leaves no
// temporary file.
void ExpectPreviousReportKept(ProgramTest& test, const Outcome& outcome, const Set& names) {
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.errors, "Error: Can not write " + test.formed_ + "\n");
  EXPECT_EQ(ReadFile(test.report_), "old\r\n");
  EXPECT_EQ(Names(test.windows_), names);
}

TEST_F(ProgramTest, FileSizeLimitKeepsThePreviousReport) {
  WriteFile(report_, "old\r\n");
  const Outcome outcome = Run(Arguments(20, "Win32_ComputerSystem;Model"), [] {
    const rlimit limit{64, 64};  // bytes: less than the report
    setrlimit(RLIMIT_FSIZE, &limit);
  });
  ExpectPreviousReportKept(*this, outcome, {"Model.txt"});
}

TEST_F(ProgramTest, FullFileSystemKeepsThePreviousReport) {
  // A tiny file system mounted in a mount namespace of this test process
  // alone, so nobody else ever sees it.
  if (unshare(CLONE_NEWNS) != 0) {
    GTEST_SKIP() << "needs root for a mount namespace and a tmpfs: " << std::strerror(errno);
  }
  ASSERT_EQ(mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0);
  ASSERT_EQ(mount("tmpfs", windows_.c_str(), "tmpfs", 0, "size=64k"), 0);
  WriteFile(report_, "old\r\n");
  const int filler = open((windows_ + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  const std::string page(4096, 'f');
  while (write(filler, page.data(), page.size()) > 0) {
  }
  EXPECT_EQ(errno, ENOSPC);
  close(filler);
  const Outcome outcome = Run({});
  ExpectPreviousReportKept(*this, outcome, {"Model.txt", "filler"});
  EXPECT_EQ(umount2(windows_.c_str(), MNT_DETACH), 0);
}

TEST_F(ProgramTest, ClosedErrorPipeCostsTheMessageOnly) {
  const auto [readEnd, writeEnd] = Pipe();
  close(readEnd);  // nobody will ever read the message
  const pid_t child = Start(HWIDENT_PROGRAM, {"NoList"}, windows_, writeEnd);
  close(writeEnd);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(ExitCode(status), 0);
  EXPECT_EQ(ReadFile(report_), ExpectedModelLine());
}

// Runs started together: each either replaces the report whole or says the
// report is held; readers meanwhile only ever see a complete report, and at
// the end the report is one run's, with nothing else left in the directory.
TEST_F(ProgramTest, ManyRunsAtOnceLeaveOneCompleteReport) {
  constexpr int kRuns = 50;
  constexpr int kRounds = 3;
  // Run k asks for the model k more times (in one query, to keep runs short),
  // so each complete report names its run.
  std::map<std::string, int> runOfReport{{"old\r\n", -1}};
  std::string report = ExpectedModelLine();
  for (int run = 0; run < kRuns; ++run, report += ExpectedModelLine()) runOfReport[report] = run;
  WriteFile(report_, "old\r\n");
  const std::string held = "Error: Can not open " + formed_ + "\n";

  for (int round = 0; round < kRounds; ++round) {
    std::map<pid_t, int> runOfChild;
    std::vector<int> errorsOf(kRuns);
    for (int run = 0; run < kRuns; ++run) {
      const auto [readEnd, writeEnd] = Pipe();
      std::string names;
      for (int name = 0; name < run; ++name) names += name == 0 ? "Model" : ",Model";
      const Arguments arguments =
          run == 0 ? Arguments{} : Arguments{"Win32_ComputerSystem;" + names};
      runOfChild[Start(HWIDENT_PROGRAM, arguments, windows_, writeEnd)] = run;
      close(writeEnd);
      errorsOf[run] = readEnd;
    }
    // The report read each time a run ends, while the others go on.
    int torn = 0;
    for (std::size_t ended = 0; ended < runOfChild.size(); ++ended) {
      int status = 0;
      const pid_t child = waitpid(-1, &status, 0);
      EXPECT_EQ(ExitCode(status), 0) << "run " << runOfChild[child];
      torn += runOfReport.count(ReadFile(report_)) == 0 ? 1 : 0;
    }
    EXPECT_EQ(torn, 0) << "reads of a report that was not whole";
    std::vector<std::string> errors;
    for (const int fd : errorsOf) errors.push_back(ReadAll(fd));
    const int refused = std::count(errors.begin(), errors.end(), held);
    EXPECT_EQ(std::count(errors.begin(), errors.end(), "") + refused, kRuns);
    const auto last = runOfReport.find(ReadFile(report_));
    ASSERT_NE(last, runOfReport.end());
    ASSERT_GE(last->second, 0) << "no run replaced the report";
    EXPECT_EQ(errors[last->second], "") << "the report is from a run that wrote it";
    EXPECT_EQ(Names(windows_), Set{"Model.txt"});
    std::cout << "round " << round << ": " << refused << " of " << kRuns
              << " runs said \"Can not open\"\n";
  }
}

}  // namespace
}  // namespace hwident
