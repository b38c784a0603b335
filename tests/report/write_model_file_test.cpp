#include "report/write_model_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "collect/report_lines.h"
#include "platform/scripted/scripted_system.h"

namespace hwident {
namespace {

using Calls = std::vector<std::string>;
using Messages = std::vector<ShownMessage>;

const std::string kPath = "C:\\Windows\\Model.txt";

ShownMessage Plain(std::string text) {
  return {MessageStyle::kPlain, std::move(text)};
}

// Writes the lines through the files given and returns the messages shown.
Messages Write(ScriptedFileServices& files, std::vector<NarrowText> lines) {
  ScriptedMessageDisplay messages;
  g_reportLines = std::move(lines);
  WriteModelFile(files, messages);
  EXPECT_TRUE(g_reportLines.empty()) << "the lines must be gone whatever happened";
  return messages.shown;
}

TEST(WriteModelFile, ExistingReportBecomesOrdinaryWithItsTimes) {
  using namespace file_attribute;
  const std::string attributes = "attributes " + kPath + " 0x0";
  const struct {
    std::uint32_t attributes;
    FileTimes times;
    Calls rewrite;  // the calls between the status and the open
  } cases[] = {
      // Read-only goes first, or the times could not be set; other marks go last.
      {kReadOnly, {1, 2, 3}, {attributes, "times " + kPath + " 1 2 3"}},
      {kHidden, {1, 2, 3}, {"times " + kPath + " 1 2 3", attributes}},
      // An unset creation or access time takes the write time.
      {kReadOnly, {0, 2, 5}, {attributes, "times " + kPath + " 5 2 5"}},
      {kNone, {1, 0, 5}, {"times " + kPath + " 1 5 5", attributes}},
      // A write time of 0: the times are left alone.
      {kReadOnly, {1, 2, 0}, {attributes}},
  };
  for (const auto& row : cases) {
    ScriptedFileServices files;
    files.files[kPath] = ScriptedFile{row.attributes, row.times, "old\r\n"};
    EXPECT_EQ(Write(files, {"a", "b"}), Messages{});
    Calls expected{"expand %Windir%", "status " + kPath};
    expected.insert(expected.end(), row.rewrite.begin(), row.rewrite.end());
    expected.insert(expected.end(), {"open " + kPath, "write a", "write b", "close"});
    EXPECT_EQ(files.calls, expected) << "attributes " << row.attributes;
    EXPECT_EQ(files.files[kPath].content, "a\r\nb\r\n");
  }
}

TEST(WriteModelFile, DirectoryMustFitThePathBuffer) {
  // 260 characters and the terminator fill the 261-byte buffer exactly.
  ScriptedFileServices fits;
  const std::string directory(260, 'd');
  fits.expansions["%Windir%"] = directory;
  fits.directories.insert(directory);
  EXPECT_EQ(Write(fits, {"line"}), Messages{});
  EXPECT_EQ(fits.files[directory + "\\Model.txt"].content, "line\r\n");

  // One more does not fit, and the buffer's content must not become a path.
  ScriptedFileServices tooLong;
  tooLong.expansions["%Windir%"] = directory + "d";
  EXPECT_EQ(Write(tooLong, {"line"}), Messages{Plain("Can not expand environment string")});
  EXPECT_EQ(tooLong.calls, Calls{"expand %Windir%"}) << "no file may be touched";
}

// A refused attribute change is not told: only the open that then fails.
TEST(WriteModelFile, ReadOnlyReportThatStaysReadOnlyCannotBeOpened) {
  ScriptedFileServices files;
  files.files[kPath] = ScriptedFile{file_attribute::kReadOnly, {1, 2, 3}, "old\r\n"};
  files.failures.setAttributes = true;
  EXPECT_EQ(Write(files, {"new"}), Messages{Plain("Can not open " + kPath)});
  EXPECT_EQ(files.files[kPath].content, "old\r\n");
}

// Writing stops at the first failed line; the report is closed all the same.
TEST(WriteModelFile, FailedWriteOrCloseIsTold) {
  const struct {
    int linesBeforeFailure;
    bool failClose;
    Calls written;  // the calls after the open
  } cases[] = {
      {0, false, {"write a", "close"}},
      {-1, true, {"write a", "write b", "write c", "close"}},
      {1, true, {"write a", "write b", "close"}},  // both: still one message
  };
  for (const auto& row : cases) {
    ScriptedFileServices files;
    files.failures.writeLinesBeforeFailure = row.linesBeforeFailure;
    files.failures.close = row.failClose;
    EXPECT_EQ(Write(files, {"a", "b", "c"}), Messages{Plain("Can not write " + kPath)});
    const Calls expected{"expand %Windir%", "status " + kPath, "open " + kPath};
    EXPECT_EQ(Calls(files.calls.begin(), files.calls.begin() + 3), expected);
    EXPECT_EQ(Calls(files.calls.begin() + 3, files.calls.end()), row.written);
  }
}

}  // namespace
}  // namespace hwident
