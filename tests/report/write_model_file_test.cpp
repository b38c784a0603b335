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

constexpr char kPath[] = "C:\\Windows\\Model.txt";

ShownMessage Plain(std::string text) {
  return {MessageStyle::kPlain, std::move(text)};
}

class WriteModelFileTest : public ::testing::Test {
 protected:
  void SetUp() override { g_reportLines.clear(); }
  void TearDown() override { g_reportLines.clear(); }

  void Write(std::vector<NarrowText> lines) {
    g_reportLines = std::move(lines);
    WriteModelFile(files_, messages_);
    EXPECT_TRUE(g_reportLines.empty()) << "the lines must be gone whatever happened";
  }

  ScriptedFileServices files_;
  ScriptedMessageDisplay messages_;
};

TEST_F(WriteModelFileTest, WritesEveryLineInOrderWithCrLf) {
  Write({"Model = \"Box\"", "DeviceID = ACME DRIVE 1.0", "Name = \"a\nb\""});
  EXPECT_EQ(files_.files[kPath].content,
            "Model = \"Box\"\r\nDeviceID = ACME DRIVE 1.0\r\nName = \"a\r\nb\"\r\n");
  EXPECT_EQ(files_.calls,
            (Calls{"expand %Windir%", std::string("status ") + kPath, std::string("open ") + kPath,
                   "write Model = \"Box\"", "write DeviceID = ACME DRIVE 1.0",
                   "write Name = \"a\nb\"", "close"}));
  EXPECT_EQ(messages_.shown, Messages{});
}

TEST_F(WriteModelFileTest, EmptyListGivesAnEmptyFile) {
  files_.files[kPath].content = "old report\r\n";
  Write({});
  ASSERT_EQ(files_.files.count(kPath), 1u);
  EXPECT_EQ(files_.files[kPath].content, "");
  EXPECT_EQ(messages_.shown, Messages{});
}

TEST_F(WriteModelFileTest, ExistingReportBecomesOrdinaryWithItsTimes) {
  using namespace file_attribute;
  const std::string p = kPath;
  const struct {
    std::uint32_t attributes;
    FileTimes times;
    Calls rewrite;  // the calls between the status and the open
  } cases[] = {
      // Read-only goes first, or the times could not be set.
      {kReadOnly, {1, 2, 3}, {"attributes " + p + " 0x0", "times " + p + " 1 2 3"}},
      {kReadOnly | kHidden | kSystem | kArchive,
       {1, 2, 3},
       {"attributes " + p + " 0x0", "times " + p + " 1 2 3"}},
      // Otherwise the marks go last.
      {kHidden, {1, 2, 3}, {"times " + p + " 1 2 3", "attributes " + p + " 0x0"}},
      {kSystem | kArchive, {1, 2, 3}, {"times " + p + " 1 2 3", "attributes " + p + " 0x0"}},
      {kNone, {1, 2, 3}, {"times " + p + " 1 2 3", "attributes " + p + " 0x0"}},
      // An unset creation or access time takes the write time.
      {kNone, {0, 0, 5}, {"times " + p + " 5 5 5", "attributes " + p + " 0x0"}},
      {kReadOnly, {0, 2, 5}, {"attributes " + p + " 0x0", "times " + p + " 5 2 5"}},
      {kNone, {1, 0, 5}, {"times " + p + " 1 5 5", "attributes " + p + " 0x0"}},
      // A write time of 0: the times are left alone.
      {kReadOnly, {1, 2, 0}, {"attributes " + p + " 0x0"}},
      {kHidden, {0, 0, 0}, {"attributes " + p + " 0x0"}},
  };
  for (const auto& row : cases) {
    ScriptedFileServices files;
    ScriptedMessageDisplay messages;
    files.files[p] = ScriptedFile{row.attributes, row.times, "old\r\n"};
    g_reportLines = {"Model = <null>"};
    WriteModelFile(files, messages);

    Calls expected{"expand %Windir%", "status " + p};
    expected.insert(expected.end(), row.rewrite.begin(), row.rewrite.end());
    expected.insert(expected.end(), {"open " + p, "write Model = <null>", "close"});
    EXPECT_EQ(files.calls, expected) << "attributes " << row.attributes;
    EXPECT_EQ(files.files[p].content, "Model = <null>\r\n");
    EXPECT_EQ(messages.shown, Messages{});
  }
}

TEST_F(WriteModelFileTest, FailedExpansionTouchesNoFile) {
  // 260 characters and the terminator fill the 261-byte buffer exactly; one
  // more does not fit, and the buffer's content must not become a path.
  const struct {
    bool fail;
    std::string directory;
    bool written;
  } cases[] = {
      {true, "C:\\Windows", false},
      {false, std::string(261, 'd'), false},
      {false, std::string(1000, 'd'), false},
      {false, std::string(260, 'd'), true},
  };
  for (const auto& row : cases) {
    ScriptedFileServices files;
    ScriptedMessageDisplay messages;
    files.failures.expansion = row.fail;
    files.expansions["%Windir%"] = row.directory;
    files.directories.insert(row.directory);
    g_reportLines = {"Model = <null>"};
    WriteModelFile(files, messages);
    EXPECT_TRUE(g_reportLines.empty());
    if (row.written) {
      EXPECT_EQ(messages.shown, Messages{});
      EXPECT_EQ(files.files[row.directory + "\\Model.txt"].content, "Model = <null>\r\n");
    } else {
      EXPECT_EQ(messages.shown, Messages{Plain("Can not expand environment string")});
      EXPECT_EQ(files.calls, Calls{"expand %Windir%"}) << row.directory.size();
    }
  }
}

TEST_F(WriteModelFileTest, PathIsTheDirectoryABackslashAndTheName) {
  files_.expansions["%Windir%"] = "/tmp/r";
  files_.directories = {"/tmp/r"};
  Write({"line"});
  EXPECT_EQ(files_.files["/tmp/r\\Model.txt"].content, "line\r\n");

  // The message names the path as formed, whatever separators it holds.
  files_.expansions["%Windir%"] = "/no/such/";
  Write({"line"});
  EXPECT_EQ(messages_.shown, Messages{Plain("Can not open /no/such/\\Model.txt")});
}

TEST_F(WriteModelFileTest, FailedOpenWritesNothing) {
  files_.failures.open = true;
  Write({"a", "b"});
  EXPECT_EQ(messages_.shown, Messages{Plain(std::string("Can not open ") + kPath)});
  EXPECT_EQ(files_.calls.back(), std::string("open ") + kPath);
  EXPECT_EQ(files_.files.count(kPath), 0u);
}

TEST_F(WriteModelFileTest, ReadOnlyReportThatStaysReadOnlyCannotBeOpened) {
  // The attribute change is refused (the file is locked or not ours): the
  // open then fails and only that is told.
  files_.files[kPath] = ScriptedFile{file_attribute::kReadOnly, {1, 2, 3}, "old\r\n"};
  files_.failures.setAttributes = true;
  Write({"new"});
  EXPECT_EQ(messages_.shown, Messages{Plain(std::string("Can not open ") + kPath)});
  EXPECT_EQ(files_.files[kPath].content, "old\r\n");
}

TEST_F(WriteModelFileTest, FailedWriteOrCloseIsTold) {
  const struct {
    int linesBeforeFailure;
    bool failClose;
    std::string content;
    int writes;
  } cases[] = {
      {0, false, "", 1},                 // the first write fails: no more are tried
      {1, false, "a\r\n", 2},            // the second fails
      {-1, true, "a\r\nb\r\nc\r\n", 3},  // every write went, the close failed
      {1, true, "a\r\n", 2},             // both: still one message
  };
  for (const auto& row : cases) {
    ScriptedFileServices files;
    ScriptedMessageDisplay messages;
    files.failures.writeLinesBeforeFailure = row.linesBeforeFailure;
    files.failures.close = row.failClose;
    g_reportLines = {"a", "b", "c"};
    WriteModelFile(files, messages);
    EXPECT_TRUE(g_reportLines.empty());
    EXPECT_EQ(messages.shown, Messages{Plain(std::string("Can not write ") + kPath)});
    EXPECT_EQ(files.files[kPath].content, row.content);
    int writes = 0;
    for (const std::string& call : files.calls) writes += call.rfind("write ", 0) == 0;
    EXPECT_EQ(writes, row.writes);
    EXPECT_EQ(files.calls.back(), "close") << "the report must be closed";
  }
}

}  // namespace
}  // namespace hwident
