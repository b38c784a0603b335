#include "platform/linux/system/console_message_display.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace hwident {
namespace {

// Both ends of a pipe, closed at the end of the test.
struct Pipe {
  Pipe() { EXPECT_EQ(pipe(ends), 0); }
  ~Pipe() {
    for (int end : ends)
      if (end >= 0) close(end);
  }
  void CloseWriteEnd() {
    close(ends[1]);
    ends[1] = -1;
  }
  std::string Drain() {
    CloseWriteEnd();
    std::string bytes;
    char chunk[256];
    for (ssize_t got; (got = read(ends[0], chunk, sizeof chunk)) > 0;) bytes.append(chunk, got);
    return bytes;
  }
  int ends[2] = {-1, -1};
};

TEST(ConsoleMessageDisplay, WritesCaptionAndTextLines) {
  Pipe output;
  Pipe input;
  ConsoleMessageDisplay messages("/opt/bin/hwident", output.ends[1], input.ends[0], false);
  messages.ShowAppMessage("Bad namespace");
  messages.ShowPlainMessage("Can not open /tmp/x\\Model.txt");
  messages.ShowAppMessage("Win32_Fan - ");
  EXPECT_EQ(output.Drain(),
            "/opt/bin/hwident: Bad namespace\n"
            "Error: Can not open /tmp/x\\Model.txt\n"
            "/opt/bin/hwident: Win32_Fan - \n");
}

TEST(ConsoleMessageDisplay, WaitsForEnterOnlyWhenAsked) {
  Pipe output;
  Pipe input;
  ASSERT_EQ(write(input.ends[1], "ok\nnext\n", 8), 8);
  input.CloseWriteEnd();

  ConsoleMessageDisplay goesOn("caption", output.ends[1], input.ends[0], false);
  goesOn.ShowPlainMessage("one");
  ConsoleMessageDisplay waits("caption", output.ends[1], input.ends[0], true);
  waits.ShowPlainMessage("two");

  // The waiting message took exactly the first line, nothing more.
  char rest[16] = {};
  EXPECT_EQ(read(input.ends[0], rest, sizeof rest), 5);
  EXPECT_STREQ(rest, "next\n");
  EXPECT_EQ(output.Drain(), "Error: one\nError: two\nPress Enter to continue.\n");
}

TEST(ConsoleMessageDisplay, WaitEndsAtEndOfInput) {
  Pipe output;
  Pipe input;
  input.CloseWriteEnd();
  ConsoleMessageDisplay waits("caption", output.ends[1], input.ends[0], true);
  waits.ShowAppMessage("text");
  EXPECT_EQ(output.Drain(), "caption: text\nPress Enter to continue.\n");
}

TEST(ExecutablePath, NamesThisProgramInFull) {
  const std::string path = ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  EXPECT_NE(path.find("hwident_linux_system_tests"), std::string::npos) << path;
  EXPECT_EQ(access(path.c_str(), X_OK), 0);
}

}  // namespace
}  // namespace hwident
