#include "platform/linux/system/linux_file_services.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/system/report_stream.h"
#include "temp_directory.h"

namespace hwident {
namespace {

using testing::ReadFile;
using testing::TempDirectory;
using testing::WriteFile;

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

void SetFileTimes(const std::string& path, std::int64_t access, std::int64_t write) {
  const timespec stamps[2] = {{access, 0}, {write, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), stamps, 0), 0);
}

class LinuxFileServicesTest : public ::testing::Test {
 protected:
  void SetUp() override { oldMask_ = umask(022); }
  void TearDown() override { umask(oldMask_); }

  // The path as the report writer forms it: a backslash before the name.
  std::string Formed(const std::string& name) const { return directory_.path() + "\\" + name; }

  TempDirectory directory_;
  LinuxFileServices files_;
  mode_t oldMask_ = 0;
};

TEST(ToLinuxPath, ReadsEveryBackslashAsASeparator) {
  EXPECT_EQ(ToLinuxPath("/tmp/r\\Model.txt"), "/tmp/r/Model.txt");
  EXPECT_EQ(ToLinuxPath("a\\b\\\\c"), "a/b//c");
  EXPECT_EQ(ToLinuxPath("/plain/path"), "/plain/path");
}

TEST_F(LinuxFileServicesTest, StatusReadsReadOnlyAndWholeSecondTimes) {
  const struct {
    mode_t mode;
    std::uint32_t attributes;
  } cases[] = {
      {0644, file_attribute::kNone},
      {0444, file_attribute::kReadOnly},
      {0200, file_attribute::kNone},
      {0466, file_attribute::kReadOnly},  // only the owner's bit counts
  };
  const std::string path = directory_ / "Model.txt";
  WriteFile(path, "x");
  for (const auto& row : cases) {
    ASSERT_EQ(chmod(path.c_str(), row.mode), 0);
    const timespec stamps[2] = {{1500000000, 900000000}, {1600000000, 999999999}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), stamps, 0), 0);
    FileStatus status;
    ASSERT_TRUE(files_.GetStatus(Formed("Model.txt"), &status));
    EXPECT_EQ(status.attributes, row.attributes) << std::oct << row.mode;
    EXPECT_EQ(status.times.creation, 0);
    EXPECT_EQ(status.times.lastAccess, 1500000000);
    EXPECT_EQ(status.times.lastWrite, 1600000000);
  }
}

TEST_F(LinuxFileServicesTest, StatusOnlyForRegularFiles) {
  WriteFile(directory_ / "target", "kept");
  ASSERT_EQ(symlink((directory_ / "target").c_str(), (directory_ / "link").c_str()), 0);
  ASSERT_EQ(mkdir((directory_ / "folder").c_str(), 0755), 0);
  FileStatus status;
  EXPECT_FALSE(files_.GetStatus(Formed("missing"), &status));
  EXPECT_FALSE(files_.GetStatus(Formed("link"), &status));
  EXPECT_FALSE(files_.GetStatus(Formed("folder"), &status));
}

TEST_F(LinuxFileServicesTest, AttributesMoveOnlyTheOwnersWriteBit) {
  const struct {
    mode_t before;
    std::uint32_t attributes;
    mode_t after;
  } cases[] = {
      {0444, file_attribute::kNone, 0644},
      {0400, file_attribute::kNone, 0600},
      {0644, file_attribute::kNone, 0644},
      {0644, file_attribute::kReadOnly, 0444},
      {0444, file_attribute::kHidden | file_attribute::kSystem, 0644},
      {04755, file_attribute::kReadOnly, 04555},
  };
  const std::string path = directory_ / "Model.txt";
  WriteFile(path, "x");
  for (const auto& row : cases) {
    ASSERT_EQ(chmod(path.c_str(), row.before), 0);
    EXPECT_TRUE(files_.SetAttributes(Formed("Model.txt"), row.attributes));
    EXPECT_EQ(ModeOf(path), row.after) << std::oct << row.before;
  }
}

TEST_F(LinuxFileServicesTest, TimesAreWrittenBackAtWholeSeconds) {
  const std::string path = directory_ / "Model.txt";
  WriteFile(path, "x");
  ASSERT_TRUE(files_.SetTimes(Formed("Model.txt"), {1400000000, 1500000000, 1600000000}));
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_atim.tv_sec, 1500000000);
  EXPECT_EQ(info.st_atim.tv_nsec, 0);
  EXPECT_EQ(info.st_mtim.tv_sec, 1600000000);
  EXPECT_EQ(info.st_mtim.tv_nsec, 0);
  EXPECT_EQ(ReadFile(path), "x");
}

TEST_F(LinuxFileServicesTest, LinksAreNeverFollowed) {
  const std::string target = directory_ / "target";
  WriteFile(target, "kept");
  ASSERT_EQ(chmod(target.c_str(), 0444), 0);
  SetFileTimes(target, 1000000000, 1000000000);
  ASSERT_EQ(symlink(target.c_str(), (directory_ / "Model.txt").c_str()), 0);

  EXPECT_FALSE(files_.SetAttributes(Formed("Model.txt"), file_attribute::kNone));
  EXPECT_FALSE(files_.SetTimes(Formed("Model.txt"), {0, 2000000000, 2000000000}));
  EXPECT_EQ(files_.OpenForWriting(Formed("Model.txt")), nullptr);

  struct stat info {};
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0444u);
  EXPECT_EQ(info.st_mtim.tv_sec, 1000000000);
  EXPECT_EQ(ReadFile(target), "kept");
}

TEST_F(LinuxFileServicesTest, NewReportIsCreatedWithCrLfLines) {
  std::unique_ptr<ReportStream> report = files_.OpenForWriting(Formed("Model.txt"));
  ASSERT_NE(report, nullptr);
  EXPECT_TRUE(report->WriteLine("Model = \"Box\""));
  EXPECT_TRUE(report->WriteLine(""));
  EXPECT_TRUE(report->WriteLine("a\nb\r\nc\r"));  // each LF becomes CR LF, CR alone stays
  const std::string longLine(100000, 'v');        // more than one buffer's worth
  EXPECT_TRUE(report->WriteLine(longLine));
  EXPECT_TRUE(report->Close());
  const std::string path = directory_ / "Model.txt";
  EXPECT_EQ(ReadFile(path), "Model = \"Box\"\r\n\r\na\r\nb\r\r\nc\r\r\n" + longLine + "\r\n");
  EXPECT_EQ(ModeOf(path), 0644u);
}

TEST_F(LinuxFileServicesTest, ExistingReportIsTruncatedAndKeepsItsMode) {
  const std::string path = directory_ / "Model.txt";
  WriteFile(path, "an old and much longer report\r\n");
  ASSERT_EQ(chmod(path.c_str(), 0600), 0);
  std::unique_ptr<ReportStream> report = files_.OpenForWriting(Formed("Model.txt"));
  ASSERT_NE(report, nullptr);
  EXPECT_TRUE(report->WriteLine("new"));
  EXPECT_TRUE(report->Close());
  EXPECT_EQ(ReadFile(path), "new\r\n");
  EXPECT_EQ(ModeOf(path), 0600u);
}

TEST_F(LinuxFileServicesTest, ReportIsHeldExclusivelyWhileWritten) {
  const std::string path = directory_ / "Model.txt";
  std::unique_ptr<ReportStream> first = files_.OpenForWriting(Formed("Model.txt"));
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->WriteLine("first"));

  // A second writer is refused and does not cut the first one's file short.
  EXPECT_EQ(files_.OpenForWriting(Formed("Model.txt")), nullptr);
  const int other = open(path.c_str(), O_RDONLY);
  ASSERT_GE(other, 0);
  EXPECT_NE(flock(other, LOCK_SH | LOCK_NB), 0);

  EXPECT_TRUE(first->Close());
  EXPECT_EQ(flock(other, LOCK_SH | LOCK_NB), 0);
  close(other);
  EXPECT_EQ(ReadFile(path), "first\r\n");
}

TEST_F(LinuxFileServicesTest, OnlyARegularFileInAnExistingDirectoryOpens) {
  ASSERT_EQ(mkfifo((directory_ / "fifo").c_str(), 0644), 0);  // must not hang the run
  ASSERT_EQ(mkdir((directory_ / "folder").c_str(), 0755), 0);
  EXPECT_EQ(files_.OpenForWriting(Formed("fifo")), nullptr);
  EXPECT_EQ(files_.OpenForWriting(Formed("folder")), nullptr);
  EXPECT_EQ(files_.OpenForWriting(directory_.path() + "\\missing\\Model.txt"), nullptr);
}

TEST(DescriptorReportStream, FailedWritesAndClosesAreReported) {
  // /dev/full takes every open and refuses every byte, like a full disk.
  const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
  if (full < 0) GTEST_SKIP() << "no /dev/full";
  DescriptorReportStream buffered(full);
  EXPECT_TRUE(buffered.WriteLine("x"));  // still in the buffer
  EXPECT_FALSE(buffered.Close());
  EXPECT_FALSE(buffered.Close());  // never a second close of the descriptor
  EXPECT_FALSE(buffered.WriteLine("after close"));

  DescriptorReportStream large(open("/dev/full", O_WRONLY | O_CLOEXEC));
  bool failed = false;
  for (int index = 0; index < 100 && !failed; ++index)
    failed = !large.WriteLine(std::string(1000, 'v'));
  EXPECT_TRUE(failed);
  EXPECT_FALSE(large.Close());
}

}  // namespace
}  // namespace hwident
