#include "platform/linux/system/linux_file_services.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <sstream>

#include "platform/linux/system/replacement_file.h"
#include "temp_directory.h"

namespace hwident {
namespace {

using testing::Names;
using testing::ReadFile;
using testing::WriteFile;
using Set = std::set<std::string>;

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

struct stat StatOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
  return info;
}

// Who runs the code where root would be let through everything: nobody
// when the tests run as root, else the user running them.
constexpr uid_t kNobody = 65534;
uid_t OrdinaryUser() {
  return geteuid() == 0 ? kNobody : geteuid();
}

// Runs body in a child process as the ordinary user; the child's exit code,
// or -1 when it did not exit.
int AsOrdinaryUser(const std::function<int()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
      _exit(100);
    }
    _exit(body());
  }
  int status = 0;
  EXPECT_EQ(waitpid(child, &status, 0), child);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The outcomes of writing a report, as the writer tells them.
constexpr int kWritten = 0;
constexpr int kCanNotOpen = 1;
constexpr int kCanNotWrite = 2;

int WriteReport(FileServices& files, const std::string& formed, const std::string& line) {
  std::unique_ptr<ReportStream> report = files.OpenForWriting(formed);
  if (!report) return kCanNotOpen;
  return report->WriteLine(line) && report->Close() ? kWritten : kCanNotWrite;
}

class LinuxFileServicesTest : public ::testing::Test {
 protected:
  void TearDown() override { umask(oldMask_); }

  testing::TempDirectory directory_;
  const std::string report_ = directory_ / "Model.txt";
  // The report's path as the writer forms it: a backslash before the name.
  const std::string formed_ = directory_.path() + "\\Model.txt";
  LinuxFileServices files_;
  mode_t oldMask_ = umask(022);
};

// Until the new report is closed, readers see the old one whole, and a second
// writer is refused; the new report is a fresh file, mode 0644 less the umask,
// whatever the old one's mode. Nothing else is left in the directory.
TEST_F(LinuxFileServicesTest, NewReportReplacesTheOldOneWhenClosed) {
  const struct {
    mode_t old;  // 0: no old report
    mode_t mask;
    mode_t expected;
  } cases[] = {{0, 022, 0644}, {0444, 0, 0644}, {04755, 077, 0600}};
  const std::string longLine(100000, 'v');  // more than one buffer: in the new file now
  for (const auto& row : cases) {
    if (row.old != 0) {
      WriteFile(report_, "old\r\n");
      ASSERT_EQ(chmod(report_.c_str(), row.old), 0);
    }
    umask(row.mask);
    std::unique_ptr<ReportStream> report = files_.OpenForWriting(formed_);
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(report->WriteLine("a\nb\r\nc\r"));  // each LF becomes CR LF, CR alone stays
    EXPECT_TRUE(report->WriteLine(longLine));
    EXPECT_EQ(ReadFile(report_), row.old != 0 ? "old\r\n" : "");
    EXPECT_EQ(files_.OpenForWriting(formed_), nullptr) << "held by the first writer";
    EXPECT_TRUE(report->Close());
    EXPECT_FALSE(report->Close());
    EXPECT_EQ(ReadFile(report_), "a\r\nb\r\r\nc\r\r\n" + longLine + "\r\n");
    EXPECT_EQ(ModeOf(report_), row.expected) << std::oct << row.old << " " << row.mask;
    EXPECT_EQ(Names(directory_.path()), Set{"Model.txt"});
    ASSERT_EQ(unlink(report_.c_str()), 0);
  }
}

// A link, a FIFO (which must not hang the run) or a folder at the report's
// name is refused and left as it is, as is a link's target.
TEST_F(LinuxFileServicesTest, OnlyARegularFileIsReplaced) {
  const std::string target = directory_ / "target";
  WriteFile(target, "kept");
  ASSERT_EQ(chmod(target.c_str(), 0444), 0);
  const struct {
    const char* name;
    int (*plant)(const std::string& target, const std::string& at);
  } cases[] = {
      {"link", [](auto& t, auto& at) { return symlink(t.c_str(), at.c_str()); }},
      {"fifo", [](auto&, auto& at) { return mkfifo(at.c_str(), 0644); }},
      {"folder", [](auto&, auto& at) { return mkdir(at.c_str(), 0755); }},
  };
  for (const auto& row : cases) {
    ASSERT_EQ(row.plant(target, report_), 0) << row.name;
    const mode_t planted = ModeOf(report_);
    EXPECT_EQ(files_.OpenForWriting(formed_), nullptr) << row.name;
    EXPECT_EQ(Names(directory_.path()), (Set{"Model.txt", "target"})) << row.name;
    EXPECT_EQ(ModeOf(report_), planted) << row.name;
    ASSERT_EQ(remove(report_.c_str()), 0);
  }
  EXPECT_EQ(files_.OpenForWriting(directory_.path() + "\\missing\\Model.txt"), nullptr);
  EXPECT_EQ(ModeOf(target), 0444u);
  EXPECT_EQ(ReadFile(target), "kept");
  FileStatus status;
  EXPECT_FALSE(files_.GetStatus(formed_, &status)) << "the old report is never looked at";
}

// A report dropped unclosed, or a run told to stop while writing, leaves the
// old report and no temporary file: the signal waits until the new report
// is in place or gone.
TEST_F(LinuxFileServicesTest, UnfinishedReportLeavesTheOldOne) {
  WriteFile(report_, "old\r\n");
  files_.OpenForWriting(formed_)->WriteLine("dropped");
  EXPECT_EQ(ReadFile(report_), "old\r\n");
  for (const bool commit : {false, true}) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::unique_ptr<ReplacementFile> file = ReplacementFile::Begin(report_);
      raise(SIGTERM);
      const bool written = file && file->Write("new\r\n") && (!commit || file->Commit());
      file.reset();  // the signal ends the child here
      _exit(written ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(ReadFile(report_), commit ? "new\r\n" : "old\r\n");
    EXPECT_EQ(Names(directory_.path()), Set{"Model.txt"});
  }
}

// In a directory everybody may write, an ordinary user replaces only a
// report it could have rewritten: one it may write, or one of its own it may
// make writable. Another user's report stays exactly as it was.
TEST_F(LinuxFileServicesTest, OrdinaryUserReplacesOnlyAReportItCouldHaveWritten) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to plant a report of another user";
  ASSERT_EQ(chmod(directory_.path().c_str(), 0777), 0);
  const struct {
    uid_t owner;
    gid_t group;
    mode_t mode;
    bool replaced;
  } cases[] = {
      {0, 0, 0644, false},
      {0, 0, 0444, false},
      {0, 0, 0666, true},
      {0, kNobody, 0664, true},  // through the group
      {kNobody, kNobody, 0444, true},
      {kNobody, 0, 0644, true},
  };
  for (const auto& row : cases) {
    WriteFile(report_, "old\r\n");
    ASSERT_EQ(chown(report_.c_str(), row.owner, row.group), 0);
    ASSERT_EQ(chmod(report_.c_str(), row.mode), 0);
    const struct stat old = StatOf(report_);
    const int outcome = AsOrdinaryUser([&] { return WriteReport(files_, formed_, "new"); });
    const struct stat now = StatOf(report_);
    std::ostringstream label;
    label << row.owner << ":" << row.group << " " << std::oct << row.mode;
    if (row.replaced) {
      EXPECT_EQ(outcome, kWritten) << label.str();
      EXPECT_EQ(ReadFile(report_), "new\r\n") << label.str();
      EXPECT_EQ(now.st_uid, kNobody) << label.str();
      EXPECT_NE(now.st_ino, old.st_ino) << label.str() << ": replaced, not rewritten";
    } else {
      EXPECT_EQ(outcome, kCanNotOpen) << label.str();
      EXPECT_EQ(ReadFile(report_), "old\r\n") << label.str();
      EXPECT_EQ(now.st_ino, old.st_ino) << label.str();
      EXPECT_EQ(now.st_uid, row.owner) << label.str();
      EXPECT_EQ(now.st_mode & 07777, row.mode) << label.str();
      EXPECT_EQ(now.st_mtim.tv_nsec, old.st_mtim.tv_nsec) << label.str();
    }
    EXPECT_EQ(Names(directory_.path()), Set{"Model.txt"}) << label.str();
    ASSERT_EQ(unlink(report_.c_str()), 0);
  }
}

// Where the directory takes no new file, a report the user may write as it
// stands, with no other name, is rewritten in place: same file, same mode,
// and a second writer still waits for the first. Anything else there is
// refused and left as it is: a read-only report is not made writable, a hard
// link not written through, and no report is not created.
TEST_F(LinuxFileServicesTest, ReadOnlyDirectoryRewritesAWritableReportInPlace) {
  const std::string other = directory_ / "other";
  const std::string longer = "an old report, longer than the new one\r\n";  // so it must be cut
  const struct {
    const char* name;
    mode_t mode;  // 0: no report
    bool linked;
    bool written;
  } cases[] = {
      {"writable", 0640, false, true},
      {"read-only", 0440, false, false},
      {"hard link", 0640, true, false},
      {"missing", 0, false, false},
  };
  for (const auto& row : cases) {
    ASSERT_EQ(chmod(directory_.path().c_str(), 0755), 0);
    if (row.mode != 0) {
      WriteFile(report_, longer);
      ASSERT_EQ(chown(report_.c_str(), OrdinaryUser(), static_cast<gid_t>(-1)), 0);
      ASSERT_EQ(chmod(report_.c_str(), row.mode), 0);
      if (row.linked) {
        ASSERT_EQ(link(report_.c_str(), other.c_str()), 0);
      }
    }
    const Set names = Names(directory_.path());
    struct stat old {};
    if (row.mode != 0) old = StatOf(report_);
    // Owned by root when the child is nobody: read-only to it either way.
    ASSERT_EQ(chmod(directory_.path().c_str(), 0555), 0);
    const int outcome = AsOrdinaryUser([&] {
      std::unique_ptr<ReportStream> report = files_.OpenForWriting(formed_);
      if (!report) return kCanNotOpen;
      const bool held = files_.OpenForWriting(formed_) == nullptr;
      return report->WriteLine("new") && report->Close() && held ? kWritten : kCanNotWrite;
    });
    EXPECT_EQ(outcome, row.written ? kWritten : kCanNotOpen) << row.name;
    EXPECT_EQ(Names(directory_.path()), names) << row.name;
    if (row.mode != 0) {
      const struct stat now = StatOf(report_);
      EXPECT_EQ(ReadFile(report_), row.written ? "new\r\n" : longer) << row.name;
      EXPECT_EQ(now.st_ino, old.st_ino) << row.name;
      EXPECT_EQ(now.st_mode & 07777, row.mode) << row.name;
    }
    if (row.linked) {
      EXPECT_EQ(ReadFile(other), longer);
    }
    ASSERT_EQ(chmod(directory_.path().c_str(), 0755), 0);
    std::remove(report_.c_str());
    std::remove(other.c_str());
  }
}

// Temporary files of runs killed outright go with the next run that holds
// the directory: exactly the names such a run makes, as regular files. A
// link there is not followed, and a run that cannot begin removes nothing.
TEST_F(LinuxFileServicesTest, TemporaryFilesOfKilledRunsAreRemoved) {
  const std::string target = directory_ / "target";
  WriteFile(target, "kept");
  enum Kind { kFile, kLink, kFifo, kFolder };
  const struct {
    const char* name;
    Kind kind;
    bool removed;
  } cases[] = {
      {".Model.txt.Ab3dE9", kFile, true},    {".Model.txt.zzzzzz", kFile, true},
      {".Model.txt.Ab3dE", kFile, false},    {".Model.txt.Ab3dE9x", kFile, false},
      {".Model.txt.Ab-dE9", kFile, false},   {".Model.txt.Ab.dE9", kFile, false},
      {".Model.txtXAb3dE9", kFile, false},   {"Model.txt.Ab3dE9", kFile, false},
      {".model.txt.Ab3dE9", kFile, false},   {".Other.txt.Ab3dE9", kFile, false},
      {".Model.txt.Link12", kLink, false},   {".Model.txt.Fifo12", kFifo, false},
      {".Model.txt.Dir123", kFolder, false},
  };
  Set kept{"Model.txt", "target"};
  for (const auto& row : cases) {
    const std::string at = directory_ / row.name;
    switch (row.kind) {
      case kFile:
        WriteFile(at, "half a report");
        break;
      case kLink:
        ASSERT_EQ(symlink(target.c_str(), at.c_str()), 0);
        break;
      case kFifo:
        ASSERT_EQ(mkfifo(at.c_str(), 0644), 0);
        break;
      case kFolder:
        ASSERT_EQ(mkdir(at.c_str(), 0755), 0);
        break;
    }
    if (!row.removed) kept.insert(row.name);
  }
  ASSERT_EQ(mkdir(report_.c_str(), 0755), 0);
  const Set planted = Names(directory_.path());
  EXPECT_EQ(WriteReport(files_, formed_, "new"), kCanNotOpen);
  EXPECT_EQ(Names(directory_.path()), planted) << "a run that cannot begin changes nothing";
  ASSERT_EQ(rmdir(report_.c_str()), 0);

  EXPECT_EQ(WriteReport(files_, formed_, "new"), kWritten);
  EXPECT_EQ(Names(directory_.path()), kept);
  EXPECT_EQ(ReadFile(report_), "new\r\n");
  EXPECT_EQ(ReadFile(target), "kept");
}

// Another user's file of that name is not the runner's to remove, even for
// root.
TEST_F(LinuxFileServicesTest, TemporaryFileOfAnotherUserStays) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to plant a file of another user";
  const std::string foreign = directory_ / ".Model.txt.Ab3dE9";
  WriteFile(foreign, "theirs");
  ASSERT_EQ(chown(foreign.c_str(), kNobody, kNobody), 0);
  EXPECT_EQ(WriteReport(files_, formed_, "new"), kWritten);
  EXPECT_EQ(Names(directory_.path()), (Set{"Model.txt", ".Model.txt.Ab3dE9"}));
  EXPECT_EQ(ReadFile(foreign), "theirs");
}

}  // namespace
}  // namespace hwident
