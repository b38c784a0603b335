#include "platform/linux/system/report_stream.h"

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

bool ReplacingReportStream::WriteLine(std::string_view line) {
  if (!file_ || failed_) return false;
  AppendTextMode(line, &buffer_);
  return buffer_.size() < kFlushThreshold || Flush();
}

bool ReplacingReportStream::Close() {
  if (!file_) return false;
  // A failed write earlier fails the close too, as a stream's error flag
  // would; the new report is then dropped whole.
  const bool placed = !failed_ && Flush() && file_->Commit();
  file_.reset();
  return placed;
}

bool ReplacingReportStream::Flush() {
  failed_ = !file_->Write(buffer_);
  buffer_.clear();
  return !failed_;
}

}  // namespace hwident
