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

// Lines gather in a buffer; a report many times its size must still reach
// the file whole and in order, the last part at the close.
TEST_F(Win32FilesTest, ReportLargerThanTheBufferReachesTheFileInOrder) {
  WriteFile("an older and longer report\r\n");
  std::unique_ptr<ReportStream> stream = files_.OpenForWriting(path_);
  ASSERT_TRUE(stream);
  std::string expected;
  for (int index = 0; index < 300; ++index) {
    const std::string line = std::to_string(index) + std::string(50, 'x');
    ASSERT_TRUE(stream->WriteLine(line));
    expected += line + "\r\n";
  }
  EXPECT_TRUE(stream->Close());
  EXPECT_EQ(ReadFile(), expected);
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
