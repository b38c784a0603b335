#include "platform/linux/system/report_stream.h"

#include <unistd.h>

#include <cerrno>

namespace hwident {
namespace {

// Large enough that a usual report goes out in one write.
constexpr std::size_t kFlushThreshold = 64 * 1024;

void AppendTextMode(std::string_view line, std::string* buffer) {
  for (char c : line) {
    if (c == '\n') *buffer += '\r';
    *buffer += c;
  }
  *buffer += "\r\n";
}

}  // namespace

DescriptorReportStream::~DescriptorReportStream() {
  if (fd_ >= 0) close(fd_);
}

bool DescriptorReportStream::WriteLine(std::string_view line) {
  if (fd_ < 0) return false;
  if (failed_) return false;
  AppendTextMode(line, &buffer_);
  return buffer_.size() < kFlushThreshold || Flush();
}

bool DescriptorReportStream::Close() {
  if (fd_ < 0) return false;
  // A failed write earlier makes the close fail too, as a stream's error
  // flag would: the file is short either way.
  const bool flushed = !failed_ && Flush();
  const bool closed = close(fd_) == 0;
  fd_ = -1;
  return flushed && closed;
}

bool DescriptorReportStream::Flush() {
  std::size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t written = write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      buffer_.clear();
      failed_ = true;
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  buffer_.clear();
  return true;
}

}  // namespace hwident
