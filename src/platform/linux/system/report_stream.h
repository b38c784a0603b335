#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/file_services.h"
#include "platform/linux/system/replacement_file.h"

namespace hwident {

// The report written into the file that will replace the old one. Lines are
// buffered; every line feed, the one ending each line included, reaches the
// file as CR LF, as a Windows text-mode file writes it. Close puts the report
// in place only when every byte was written; otherwise, and when the stream
// goes away unclosed, the old report stays (unless the file is written in
// place, where the bytes written so far stay instead).
class ReplacingReportStream : public ReportStream {
 public:
  explicit ReplacingReportStream(std::unique_ptr<ReplacementFile> file) : file_(std::move(file)) {}

  bool WriteLine(std::string_view line) override;
  bool Close() override;

 private:
  bool Flush();

  std::unique_ptr<ReplacementFile> file_;
  std::string buffer_;
  bool failed_ = false;
};

}  // namespace hwident
