#pragma once

#include <string>
#include <string_view>

#include "platform/file_services.h"

namespace hwident {

// The path as the Linux file layer reads it: every backslash is a directory
// separator. Callers keep the formed path for their messages.
std::string ToLinuxPath(std::string_view path);

// File services over the POSIX calls. Read-only is the owner's write bit
// cleared; the other attribute bits have no meaning here. Times are whole
// seconds; Linux keeps no creation time that can be set, so it reads as 0.
// A symbolic link is never followed: its status cannot be read and it cannot
// be opened, so a link planted at the report's place leaves its target alone.
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
