#pragma once

#include <string>
#include <string_view>

#include "platform/file_services.h"

namespace hwident {

// The report written through a file descriptor it owns (and whose lock it
// holds until closed). Lines are buffered; every line feed, the one ending
// each line included, reaches the file as CR LF, as a Windows text-mode file
// writes it.
class DescriptorReportStream : public ReportStream {
 public:
  explicit DescriptorReportStream(int fd) : fd_(fd) {}
  DescriptorReportStream(const DescriptorReportStream&) = delete;
  DescriptorReportStream& operator=(const DescriptorReportStream&) = delete;
  ~DescriptorReportStream() override;

  bool WriteLine(std::string_view line) override;
  bool Close() override;

 private:
  bool Flush();

  int fd_;
  std::string buffer_;
  bool failed_ = false;
};

}  // namespace hwident
