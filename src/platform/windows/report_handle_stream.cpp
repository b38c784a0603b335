#include "platform/windows/report_handle_stream.h"

#include <algorithm>

#include "platform/windows/text_mode_line.h"

namespace hwident {
namespace {

// The C runtime's stream buffer size; the report is rarely larger.
constexpr std::size_t kBufferSize = 4096;

}  // namespace

ReportHandleStream::ReportHandleStream(HANDLE file) : file_(file) {}

ReportHandleStream::~ReportHandleStream() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

bool ReportHandleStream::WriteLine(std::string_view line) {
  if (failed_ || file_ == INVALID_HANDLE_VALUE) return false;
  AppendTextModeLine(&buffer_, line);
  if (buffer_.size() >= kBufferSize) return Flush();
  return true;
}

bool ReportHandleStream::Close() {
  if (file_ == INVALID_HANDLE_VALUE) return false;
  const bool flushed = Flush();
  const bool closed = CloseHandle(file_) != FALSE;
  file_ = INVALID_HANDLE_VALUE;
  return flushed && closed;
}

// WriteFile may write less than asked (a full disk); the rest is retried
// until it goes or a call writes nothing. Once a write fails the stream
// stays failed, so no later line lands after a gap.
bool ReportHandleStream::Flush() {
  std::size_t offset = 0;
  while (!failed_ && offset < buffer_.size()) {
    const DWORD chunk =
        static_cast<DWORD>(std::min<std::size_t>(buffer_.size() - offset, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(file_, buffer_.data() + offset, chunk, &written, nullptr) || written == 0) {
      failed_ = true;
    }
    offset += written;
  }
  buffer_.clear();
  return !failed_;
}

}  // namespace hwident
