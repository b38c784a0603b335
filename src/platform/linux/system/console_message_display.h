#pragma once

#include <cstddef>
#include <string>

#include "platform/message_display.h"

namespace hwident {

// Messages on a terminal or a log: one line "caption: text" on the output.
// The app style's caption is the program's full path; the plain style's is
// "Error", the caption Windows gives a box that has none of its own. When
// someone can answer, the message waits for Enter, standing in for the box's
// OK button; otherwise the run goes on at once.
class ConsoleMessageDisplay : public MessageDisplay {
 public:
  ConsoleMessageDisplay(std::string appCaption, int outputFd, int inputFd, bool waitForEnter);

  // Standard error, waiting on standard input when both are terminals.
  static ConsoleMessageDisplay ForProcess();

  void ShowAppMessage(const NarrowText& text) override;
  void ShowPlainMessage(const NarrowText& text) override;

 private:
  void Show(const std::string& caption, const NarrowText& text);
  void WaitForEnter();

  std::string appCaption_;
  int outputFd_;
  int inputFd_;
  bool waitForEnter_;
};

// The Windows program reads its caption into a buffer of 260 characters, so a
// longer program path is cut to the 259 that fit beside the terminator.
inline constexpr std::size_t kCaptionLength = 259;

// The path cut as that buffer cuts it, at a character boundary at or before
// the 259th byte.
std::string CaptionFromPath(std::string path);

// The program's full path as /proc/self/exe names it; "hwident" when it
// cannot be read.
std::string ExecutablePath();

}  // namespace hwident
