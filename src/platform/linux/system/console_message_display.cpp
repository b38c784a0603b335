#include "platform/linux/system/console_message_display.h"

#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <utility>
#include <vector>

namespace hwident {
namespace {

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;  // nowhere left to tell anyone
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace

ConsoleMessageDisplay::ConsoleMessageDisplay(std::string appCaption, int outputFd, int inputFd,
                                             bool waitForEnter)
    : appCaption_(std::move(appCaption)),
      outputFd_(outputFd),
      inputFd_(inputFd),
      waitForEnter_(waitForEnter) {}

ConsoleMessageDisplay ConsoleMessageDisplay::ForProcess() {
  // A run under a script or a service has nobody to press Enter.
  const bool interactive = isatty(STDIN_FILENO) == 1 && isatty(STDERR_FILENO) == 1;
  return ConsoleMessageDisplay(CaptionFromPath(ExecutablePath()), STDERR_FILENO, STDIN_FILENO,
                               interactive);
}

void ConsoleMessageDisplay::ShowAppMessage(const NarrowText& text) {
  Show(appCaption_, text);
}

void ConsoleMessageDisplay::ShowPlainMessage(const NarrowText& text) {
  Show("Error", text);
}

void ConsoleMessageDisplay::Show(const std::string& caption, const NarrowText& text) {
  WriteAll(outputFd_, caption + ": " + text + "\n");
  if (waitForEnter_) WaitForEnter();
}

void ConsoleMessageDisplay::WaitForEnter() {
  WriteAll(outputFd_, "Press Enter to continue.\n");
  char c = 0;
  for (;;) {
    const ssize_t got = read(inputFd_, &c, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0 || c == '\n') return;
  }
}

std::string CaptionFromPath(std::string path) {
  if (path.size() <= kCaptionLength) return path;
  // Never inside a character: back off over UTF-8 continuation bytes.
  std::size_t cut = kCaptionLength;
  while (cut > 0 && (static_cast<unsigned char>(path[cut]) & 0xC0) == 0x80) --cut;
  path.resize(cut);
  return path;
}

std::string ExecutablePath() {
  // readlink neither terminates nor says whether it cut the path short, so
  // grow the buffer until the path fits with room to spare.
  for (std::size_t size = 256; size <= 65536; size *= 2) {
    std::vector<char> buffer(size);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), size);
    if (length < 0) break;
    if (static_cast<std::size_t>(length) < size) return std::string(buffer.data(), length);
  }
  return "hwident";
}

}  // namespace hwident
