#include "platform/linux/system/linux_file_services.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/linux/system/environment_expansion.h"
#include "platform/linux/system/report_stream.h"

namespace hwident {

std::string ToLinuxPath(std::string_view path) {
  std::string linuxPath(path);
  std::replace(linuxPath.begin(), linuxPath.end(), '\\', '/');
  return linuxPath;
}

std::uint32_t LinuxFileServices::ExpandEnvironmentStrings(const char* source, char* destination,
                                                          std::uint32_t size) {
  const std::string result = ExpandReferences(source, LookupEnvironmentVariable);
  const std::size_t needed = result.size() + 1;
  if (needed > UINT32_MAX) return 0;
  if (needed <= size) std::memcpy(destination, result.c_str(), needed);
  return static_cast<std::uint32_t>(needed);
}

// The old report's status is never read nor changed: it is replaced, or
// rewritten in place only as it stands, so a file planted there keeps its
// mode and times.
bool LinuxFileServices::GetStatus(const NarrowText&, FileStatus*) {
  return false;
}

bool LinuxFileServices::SetAttributes(const NarrowText&, std::uint32_t) {
  return false;
}

bool LinuxFileServices::SetTimes(const NarrowText&, const FileTimes&) {
  return false;
}

std::unique_ptr<ReportStream> LinuxFileServices::OpenForWriting(const NarrowText& path) {
  std::unique_ptr<ReplacementFile> file = ReplacementFile::Begin(ToLinuxPath(path));
  if (!file) return nullptr;
  return std::make_unique<ReplacingReportStream>(std::move(file));
}

}  // namespace hwident
