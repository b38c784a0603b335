#include "platform/linux/system/linux_file_services.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/linux/system/environment_expansion.h"
#include "platform/linux/system/report_stream.h"

namespace hwident {
namespace {

// Status of a regular file, the link itself when the path names a link.
bool StatRegularFile(const std::string& path, struct stat* info) {
  return lstat(path.c_str(), info) == 0 && S_ISREG(info->st_mode);
}

// Closes the descriptor on every way out.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

}  // namespace

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

bool LinuxFileServices::GetStatus(const NarrowText& path, FileStatus* status) {
  struct stat info;
  if (!StatRegularFile(ToLinuxPath(path), &info)) return false;
  status->attributes =
      (info.st_mode & S_IWUSR) != 0 ? file_attribute::kNone : file_attribute::kReadOnly;
  status->times.creation = 0;
  status->times.lastAccess = info.st_atim.tv_sec;
  status->times.lastWrite = info.st_mtim.tv_sec;
  return true;
}

bool LinuxFileServices::SetAttributes(const NarrowText& path, std::uint32_t attributes) {
  const std::string linuxPath = ToLinuxPath(path);
  struct stat info;
  if (!StatRegularFile(linuxPath, &info)) return false;
  mode_t mode = info.st_mode & 07777;
  if ((attributes & file_attribute::kReadOnly) != 0) {
    mode &= ~S_IWUSR;
  } else {
    mode |= S_IWUSR;
  }
  // AT_SYMLINK_NOFOLLOW refuses a link swapped in since the lstat.
  return fchmodat(AT_FDCWD, linuxPath.c_str(), mode, AT_SYMLINK_NOFOLLOW) == 0;
}

bool LinuxFileServices::SetTimes(const NarrowText& path, const FileTimes& times) {
  // Set through a descriptor open for writing, as on Windows: a read-only
  // file refuses, which is why the writer clears read-only first.
  const Descriptor file(
      open(ToLinuxPath(path).c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) return false;
  const timespec stamps[2] = {{times.lastAccess, 0}, {times.lastWrite, 0}};
  return futimens(file.get(), stamps) == 0;
}

std::unique_ptr<ReportStream> LinuxFileServices::OpenForWriting(const NarrowText& path) {
  // Not truncated by the open: another writer may hold the file, and it must
  // keep its bytes then. O_NONBLOCK keeps a FIFO planted here from hanging
  // the run; only a regular file is accepted afterwards.
  Descriptor file(open(ToLinuxPath(path).c_str(),
                       O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644));
  if (file.get() < 0) return nullptr;
  struct stat info;
  if (fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  if (flock(file.get(), LOCK_EX | LOCK_NB) != 0) return nullptr;
  if (ftruncate(file.get(), 0) != 0) return nullptr;
  return std::make_unique<DescriptorReportStream>(file.release());
}

}  // namespace hwident
