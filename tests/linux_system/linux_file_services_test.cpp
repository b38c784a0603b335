#include "platform/linux/system/linux_file_services.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

}  // namespace
}  // namespace hwident
