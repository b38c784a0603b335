#include "platform/linux/system/console_message_display.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>

namespace hwident {
namespace {

// The captions and the output format are checked end to end; here, only what
// a run without a terminal cannot show: waiting for Enter.
TEST(ConsoleMessageDisplay, WaitsForOneLineOfInputOnlyWhenAsked) {
  int output[2];
  int input[2];
  ASSERT_EQ(pipe(output), 0);
  ASSERT_EQ(pipe(input), 0);
  ASSERT_EQ(write(input[1], "ok\nnext\n", 8), 8);
  close(input[1]);

  ConsoleMessageDisplay goesOn("/opt/bin/hwident", output[1], input[0], false);
  goesOn.ShowAppMessage("one");
  ConsoleMessageDisplay waits("/opt/bin/hwident", output[1], input[0], true);
  waits.ShowPlainMessage("two");
  // The waiting message took exactly the first line, nothing more.
  char rest[16] = {};
  EXPECT_EQ(read(input[0], rest, sizeof rest), 5);
  EXPECT_STREQ(rest, "next\n");
  waits.ShowAppMessage("three");  // at the end of the input the wait ends
  close(output[1]);
  close(input[0]);

  std::string shown(256, '\0');
  shown.resize(std::max<ssize_t>(read(output[0], shown.data(), shown.size()), 0));
  close(output[0]);
  EXPECT_EQ(shown,
            "/opt/bin/hwident: one\nError: two\nPress Enter to continue.\n"
            "/opt/bin/hwident: three\nPress Enter to continue.\n");
}

// The Windows program reads its caption into 260 characters; a longer path
// is cut to 259 bytes, here never inside a UTF-8 character.
TEST(CaptionFromPath, CutsWhereTheWindowsBufferEnds) {
  const std::string fits(259, 'a');
  const std::string e = "\xC3\xA9";  // two bytes
  const struct {
    std::string path;
    std::string caption;
  } cases[] = {
      {"/usr/bin/hwident", "/usr/bin/hwident"},
      {fits, fits},
      {fits + "b", fits},
      {std::string(258, 'a') + e, std::string(258, 'a')},
      {std::string(257, 'a') + e + "b", std::string(257, 'a') + e},
  };
  for (const auto& row : cases) {
    EXPECT_EQ(CaptionFromPath(row.path), row.caption) << row.path.size();
  }
}

}  // namespace
}  // namespace hwident
