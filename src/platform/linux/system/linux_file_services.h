#pragma once

#include <string>
#include <string_view>

#include "platform/file_services.h"

namespace hwident {

// The path as the Linux file layer reads it: every backslash is a directory
// separator. Callers keep the formed path for their messages.
std::string ToLinuxPath(std::string_view path);

// File services over the POSIX calls. The report is replaced, not rewritten:
// a new file is written beside it and renamed over it when complete (see
// ReplacementFile). So the old report's status is never read nor reset:
// GetStatus finds nothing, and a report the user could have rewritten,
// read-only, a hard link or another user's file, is replaced without being
// opened. Only where the directory takes no new file is a writable report
// with no other name rewritten in place.
class LinuxFileServices : public FileServices {
 public:
  std::uint32_t ExpandEnvironmentStrings(const char* source, char* destination,
                                         std::uint32_t size) override;
  bool GetStatus(const NarrowText& path, FileStatus* status) override;
  bool SetAttributes(const NarrowText& path, std::uint32_t attributes) override;
  bool SetTimes(const NarrowText& path, const FileTimes& times) override;
  std::unique_ptr<ReportStream> OpenForWriting(const NarrowText& path) override;
};

}  // namespace hwident
