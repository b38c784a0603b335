#pragma once

#include "platform/file_services.h"

namespace hwident {

// Environment expansion and the report file through the Win32 file calls.
// The report is written as a text-mode file would write it (CR LF line ends)
// through a handle held without sharing, so a report another process holds
// open cannot be opened.
class Win32Files final : public FileServices {
 public:
  std::uint32_t ExpandEnvironmentStrings(const char* source, char* destination,
                                         std::uint32_t size) override;
  bool GetStatus(const NarrowText& path, FileStatus* status) override;
  bool SetAttributes(const NarrowText& path, std::uint32_t attributes) override;
  bool SetTimes(const NarrowText& path, const FileTimes& times) override;
  std::unique_ptr<ReportStream> OpenForWriting(const NarrowText& path) override;
};

}  // namespace hwident
