#include "platform/linux/system/linux_file_services.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/system/report_stream.h"
#include "temp_directory.h"

namespace hwident {
namespace {

using testing::ReadFile;
using testing::WriteFile;

struct stat StatusOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info;
}

class LinuxFileServicesTest : public ::testing::Test {
 protected:
  void SetUp() override { oldMask_ = umask(0); }  // modes exactly as created
  void TearDown() override { umask(oldMask_); }

  testing::TempDirectory directory_;
  const std::string report_ = directory_ / "Model.txt";
  // The report's path as the writer forms it: a backslash before the name.
  const std::string formed_ = directory_.path() + "\\Model.txt";
  LinuxFileServices files_;
  mode_t oldMask_ = 0;
};

// Read-only is the owner's write bit alone, read and set; the other marks
// have no meaning here. Times are read and written back at whole seconds.
TEST_F(LinuxFileServicesTest, StatusAttributesAndTimes) {
  using namespace file_attribute;
  const struct {
    mode_t before;
    std::uint32_t read;
    std::uint32_t set;
    mode_t after;
  } cases[] = {
      {0466, kReadOnly, kNone, 0666},
      {0644, kNone, kHidden | kSystem, 0644},
      {04755, kNone, kReadOnly, 04555},
  };
  WriteFile(report_, "x");
  for (const auto& row : cases) {
    ASSERT_EQ(chmod(report_.c_str(), row.before), 0);
    FileStatus status;
    ASSERT_TRUE(files_.GetStatus(formed_, &status));
    EXPECT_EQ(status.attributes, row.read) << std::oct << row.before;
    EXPECT_TRUE(files_.SetAttributes(formed_, row.set));
    EXPECT_EQ(StatusOf(report_).st_mode & 07777, row.after) << std::oct << row.before;
  }

  const timespec stamps[2] = {{1500000000, 900000000}, {1600000000, 999999999}};
  ASSERT_EQ(utimensat(AT_FDCWD, report_.c_str(), stamps, 0), 0);
  FileStatus status;
  ASSERT_TRUE(files_.GetStatus(formed_, &status));
  ASSERT_TRUE(files_.SetTimes(formed_, status.times));
  const struct stat info = StatusOf(report_);
  EXPECT_EQ(info.st_atim.tv_sec, 1500000000);
  EXPECT_EQ(info.st_atim.tv_nsec, 0);
  EXPECT_EQ(info.st_mtim.tv_sec, 1600000000);
  EXPECT_EQ(info.st_mtim.tv_nsec, 0);
  EXPECT_EQ(ReadFile(report_), "x");
}

TEST_F(LinuxFileServicesTest, LinksAreNeverFollowed) {
  const std::string target = directory_ / "target";
  WriteFile(target, "kept");
  ASSERT_EQ(chmod(target.c_str(), 0444), 0);
  ASSERT_EQ(symlink(target.c_str(), report_.c_str()), 0);

  FileStatus status;
  EXPECT_FALSE(files_.GetStatus(formed_, &status));
  EXPECT_FALSE(files_.SetAttributes(formed_, file_attribute::kNone));
  EXPECT_FALSE(files_.SetTimes(formed_, {0, 2000000000, 2000000000}));
  EXPECT_EQ(files_.OpenForWriting(formed_), nullptr);
  EXPECT_EQ(StatusOf(target).st_mode & 07777, 0444u);
  EXPECT_EQ(ReadFile(target), "kept");
}

TEST_F(LinuxFileServicesTest, OnlyARegularFileIsReadOrOpened) {
  ASSERT_EQ(mkfifo((directory_ / "fifo").c_str(), 0644), 0);  // must not hang the run
  ASSERT_EQ(mkdir((directory_ / "folder").c_str(), 0755), 0);
  for (const char* name : {"fifo", "folder"}) {
    FileStatus status;
    EXPECT_FALSE(files_.GetStatus(directory_.path() + "\\" + name, &status)) << name;
    EXPECT_EQ(files_.OpenForWriting(directory_.path() + "\\" + name), nullptr) << name;
  }
}

TEST_F(LinuxFileServicesTest, NewReportHasCrLfLinesAndIsHeldExclusivelyWhileWritten) {
  std::unique_ptr<ReportStream> report = files_.OpenForWriting(formed_);
  ASSERT_NE(report, nullptr);
  EXPECT_TRUE(report->WriteLine(""));
  EXPECT_TRUE(report->WriteLine("a\nb\r\nc\r"));  // each LF becomes CR LF, CR alone stays
  const std::string longLine(100000, 'v');        // more than one buffer's worth: on disk now
  EXPECT_TRUE(report->WriteLine(longLine));

  // A second writer is refused and does not cut the first one's file short.
  EXPECT_EQ(files_.OpenForWriting(formed_), nullptr);
  EXPECT_TRUE(report->Close());

  EXPECT_EQ(ReadFile(report_), "\r\na\r\nb\r\r\nc\r\r\n" + longLine + "\r\n");
  EXPECT_EQ(StatusOf(report_).st_mode & 07777, 0644u);
}

TEST(DescriptorReportStream, FailedWritesAndClosesAreReported) {
  // /dev/full takes every open and refuses every byte, like a full disk.
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  DescriptorReportStream buffered(open("/dev/full", O_WRONLY | O_CLOEXEC));
  EXPECT_TRUE(buffered.WriteLine("x"));  // still in the buffer
  EXPECT_FALSE(buffered.Close());
  EXPECT_FALSE(buffered.Close());  // never a second close of the descriptor

  DescriptorReportStream large(open("/dev/full", O_WRONLY | O_CLOEXEC));
  EXPECT_FALSE(large.WriteLine(std::string(100000, 'v')));
  EXPECT_FALSE(large.Close());
}

}  // namespace
}  // namespace hwident
