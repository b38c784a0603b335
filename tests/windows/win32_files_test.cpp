#include "platform/windows/win32_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/windows/windows_api.h"

namespace hwident {
namespace {

// Each test works in a directory of its own under the temporary directory.
class Win32FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH + 1] = {};
    ASSERT_NE(GetTempPathA(sizeof(temp), temp), 0u);
    directory_ = std::string(temp) + "hwident_files_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(directory_.c_str(), nullptr);
    path_ = directory_ + "\\Model.txt";
  }

  void TearDown() override {
    SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path_.c_str());
    RemoveDirectoryA(directory_.c_str());
  }

  void WriteFile(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }

  std::string ReadFile() {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  Win32Files files_;
  std::string directory_;
  std::string path_;
};

TEST_F(Win32FilesTest, ReportLinesEndInCrLfAsInTextMode) {
  WriteFile("an older and longer report\r\n");
  std::unique_ptr<ReportStream> stream = files_.OpenForWriting(path_);
  ASSERT_TRUE(stream);
  EXPECT_TRUE(stream->WriteLine("Model = \"x\""));
  EXPECT_TRUE(stream->WriteLine("a\nb\rc"));
  EXPECT_TRUE(stream->WriteLine(""));
  EXPECT_TRUE(stream->Close());
  EXPECT_EQ(ReadFile(), "Model = \"x\"\r\na\r\nb\rc\r\n\r\n");
}

TEST_F(Win32FilesTest, LargeReportReachesTheFileWhole) {
  std::unique_ptr<ReportStream> stream = files_.OpenForWriting(path_);
  ASSERT_TRUE(stream);
  const std::string line(100, 'x');
  for (int index = 0; index < 200; ++index) ASSERT_TRUE(stream->WriteLine(line));
  EXPECT_TRUE(stream->Close());
  EXPECT_EQ(ReadFile().size(), 200u * 102u);
}

TEST_F(Win32FilesTest, ReportIsNotSharedWhileWritten) {
  std::unique_ptr<ReportStream> stream = files_.OpenForWriting(path_);
  ASSERT_TRUE(stream);
  HANDLE reader = CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(reader, INVALID_HANDLE_VALUE);
  if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
  EXPECT_TRUE(stream->Close());
}

TEST_F(Win32FilesTest, ReportHeldOpenElsewhereCannotBeOpened) {
  WriteFile("kept\r\n");
  HANDLE reader = CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(files_.OpenForWriting(path_));
  CloseHandle(reader);
  EXPECT_EQ(ReadFile(), "kept\r\n");
  EXPECT_FALSE(files_.OpenForWriting(directory_ + "\\missing\\Model.txt"));
}

TEST_F(Win32FilesTest, AttributesAreReadAndCleared) {
  FileStatus status;
  EXPECT_FALSE(files_.GetStatus(path_, &status));
  WriteFile("x");
  ASSERT_TRUE(files_.SetAttributes(path_, file_attribute::kReadOnly | file_attribute::kHidden));
  ASSERT_TRUE(files_.GetStatus(path_, &status));
  EXPECT_EQ(status.attributes & 0x07u, file_attribute::kReadOnly | file_attribute::kHidden);
  ASSERT_TRUE(files_.SetAttributes(path_, file_attribute::kNone));
  ASSERT_TRUE(files_.GetStatus(path_, &status));
  EXPECT_EQ(status.attributes & 0x07u, file_attribute::kNone);
}

TEST_F(Win32FilesTest, TimesAreWrittenAndNoneLeavesATimeAlone) {
  WriteFile("x");
  const FileTimes times{1'500'000'000, 1'500'000'100, 1'500'000'200};
  ASSERT_TRUE(files_.SetTimes(path_, times));
  FileStatus status;
  ASSERT_TRUE(files_.GetStatus(path_, &status));
  EXPECT_EQ(status.times.lastWrite, times.lastWrite);
  EXPECT_EQ(status.times.lastAccess, times.lastAccess);
  EXPECT_NE(status.times.creation, 0);

  ASSERT_TRUE(files_.SetTimes(path_, FileTimes{0, 0, 1'600'000'000}));
  ASSERT_TRUE(files_.GetStatus(path_, &status));
  EXPECT_EQ(status.times.lastWrite, 1'600'000'000);
  EXPECT_EQ(status.times.lastAccess, times.lastAccess);

  EXPECT_FALSE(files_.SetTimes(directory_ + "\\missing.txt", times));
}

TEST_F(Win32FilesTest, ExpansionReportsTheSizeItNeeds) {
  ASSERT_TRUE(SetEnvironmentVariableA("HWIDENT_TEST_DIR", "C:\\some dir"));
  char destination[261] = {};
  EXPECT_EQ(files_.ExpandEnvironmentStrings("%HWIDENT_TEST_DIR%", destination, 261), 12u);
  EXPECT_STREQ(destination, "C:\\some dir");
  // Too small: the size needed, which exceeds the buffer, rather than 0.
  EXPECT_GT(files_.ExpandEnvironmentStrings("%HWIDENT_TEST_DIR%", destination, 5), 5u);
}

}  // namespace
}  // namespace hwident
