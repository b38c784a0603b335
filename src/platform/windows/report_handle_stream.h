#pragma once

#include "platform/windows/windows_api.h"

#include <string>

#include "platform/file_services.h"

namespace hwident {

// The report file behind a Win32 handle, written as a text-mode file writes:
// lines gather in a buffer with CR LF line ends and reach the file when the
// buffer fills and at the latest on Close.
class ReportHandleStream final : public ReportStream {
 public:
  // Takes over the open handle.
  explicit ReportHandleStream(HANDLE file);
  ~ReportHandleStream() override;
  ReportHandleStream(const ReportHandleStream&) = delete;
  ReportHandleStream& operator=(const ReportHandleStream&) = delete;

  bool WriteLine(std::string_view line) override;
  bool Close() override;

 private:
  bool Flush();

  HANDLE file_;
  std::string buffer_;
  bool failed_ = false;
};

}  // namespace hwident
