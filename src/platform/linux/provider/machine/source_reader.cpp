#include "platform/linux/provider/machine/source_reader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace hwident {
namespace {

std::string WithoutTrailingSlash(std::string path) {
  while (!path.empty() && path.back() == '/') path.pop_back();
  return path;
}

std::optional<std::string> RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) return std::nullopt;
  return std::string(resolved);
}

// Where the kernel's own walk of the path leads: open it without reading
// it and ask /proc for the descriptor's path, three calls however deep the
// path is, where realpath looks at each of its parts in turn. realpath
// stands in where /proc is not mounted.
std::optional<std::string> ResolvedPath(int directory, const char* name, const std::string& host) {
  const int fd = ::openat(directory, name, O_PATH | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  char target[PATH_MAX];
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t length = ::readlink(link.c_str(), target, sizeof target);
  ::close(fd);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target || target[0] != '/') {
    return RealPath(host);
  }
  return std::string(target, static_cast<std::size_t>(length));
}

}  // namespace

RootedSourceReader::RootedSourceReader(std::string root, bool asRoot) : asRoot_(asRoot) {
  // Resolve the root once so links inside the tree can be checked against it.
  root_ = WithoutTrailingSlash(RealPath(root).value_or(root));
  // A live machine's paths stay absolute: that is the same walk, and an
  // emulator that lays a system root of its own over "/" (qemu-user's -L)
  // sends absolute paths it cannot find there to the real one.
  rootFd_ = root_.empty() ? AT_FDCWD : ::open(root_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

RootedSourceReader::~RootedSourceReader() {
  if (rootFd_ != AT_FDCWD && rootFd_ != kUnopened) ::close(rootFd_);
}

std::string RootedSourceReader::HostPath(const std::string& path) const {
  return root_ + path;
}

std::pair<int, const char*> RootedSourceReader::Place(const std::string& path) const {
  if (rootFd_ == kUnopened) return {kUnopened, ""};
  if (rootFd_ == AT_FDCWD) return {AT_FDCWD, path.empty() ? "/" : path.c_str()};
  const std::size_t start = path.find_first_not_of('/');
  return {rootFd_, start == std::string::npos ? "." : path.c_str() + start};
}

bool RootedSourceReader::Withheld(const std::string& path) const {
  if (asRoot_) return false;
  return std::any_of(withheld_.begin(), withheld_.end(), [&path](const std::string& prefix) {
    return path.compare(0, prefix.size(), prefix) == 0 &&
           (path.size() == prefix.size() || path[prefix.size()] == '/');
  });
}

std::optional<std::string> RootedSourceReader::Read(const std::string& path) {
  if (Withheld(path)) return std::nullopt;
  const auto [directory, name] = Place(path);
  if (directory == kUnopened) return std::nullopt;
  // sysfs and procfs hold no devices, and the provider reads no process's
  // descriptor links, so their files are opened at once and looked at
  // afterwards: one walk of the path rather than two. So is udev's
  // database, which only udev (as root) writes. Anywhere else a link may
  // lead to a device, whose opening alone can act on it, so the path is
  // looked at before it is opened. Opening without blocking keeps a pipe
  // from stalling the run; it is no file.
  const bool sysfs = path.compare(0, 5, "/sys/") == 0;
  const bool attributes =
      sysfs || path.compare(0, 6, "/proc/") == 0 || path.compare(0, 15, "/run/udev/data/") == 0;
  struct stat status {};
  if (!attributes && (::fstatat(directory, name, &status, 0) != 0 || !S_ISREG(status.st_mode))) {
    return std::nullopt;
  }
  const int fd = ::openat(directory, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  const auto refuse = [fd] {
    ::close(fd);
    return std::nullopt;
  };
  // An attribute is looked at once open: whether it is a file at all, and,
  // for a caller that stands in for an ordinary user, its mode bits
  // (running as root reads everything).
  const auto looked = [&] {
    return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
           (asRoot_ || (status.st_mode & S_IROTH) != 0);
  };
  // A sysfs attribute read as root is looked at only when its first read
  // is not the common answer, a short text: the kernel prints an attribute
  // whole in one read, so less than the buffer is all of it. An empty
  // answer may be a device laid over the attribute (containers mask files
  // with /dev/null), a full one may go on, and both are looked at before
  // they count.
  const bool lookFirst = attributes && !(sysfs && asRoot_);
  if (lookFirst && !looked()) return refuse();
  if (!attributes && !asRoot_ && (status.st_mode & S_IROTH) == 0) return refuse();
  // sysfs and procfs report a size of 4096 or 0, so read until the end;
  // a file that states its true size (on disk, or a binary attribute) is
  // whole once that many bytes are in, which saves the read that finds
  // the end.
  const auto stated = static_cast<std::size_t>(status.st_size > 0 ? status.st_size : 0);
  std::string text;
  char buffer[4096];
  for (bool first = true;; first = false) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) return refuse();
    const auto length = static_cast<std::size_t>(got);
    if (first && !lookFirst) {
      if (length > 0 && length < sizeof buffer) {
        text.assign(buffer, length);
        break;
      }
      if (!looked()) return refuse();
    }
    if (length == 0) break;
    text.append(buffer, length);
    if (text.size() > kMaxSourceFileBytes) return refuse();
    if (stated != 0 && text.size() == stated) break;
  }
  ::close(fd);
  if (recording_) opened_.push_back(path);
  return text;
}

std::optional<std::vector<std::string>> RootedSourceReader::Entries(const std::string& path) {
  if (Withheld(path)) return std::nullopt;
  const auto [directory, name] = Place(path);
  if (directory == kUnopened) return std::nullopt;
  const int fd = ::openat(directory, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  if (!asRoot_) {
    struct stat status {};
    if (::fstat(fd, &status) == 0 && (status.st_mode & S_IROTH) == 0) {
      ::close(fd);
      return std::nullopt;
    }
  }
  std::vector<std::string> names;
  // The entries are read into a buffer on the stack: a directory stream
  // allocates 32 KiB for each listing, and a request that large makes the
  // allocator sort through every small block the last query freed.
  alignas(dirent64) char buffer[16384];
  bool full = false;
  while (!full) {
    const ssize_t got = ::getdents64(fd, buffer, sizeof buffer);
    if (got <= 0) break;
    for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
      const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
      if (entry->d_reclen == 0) break;
      at += entry->d_reclen;
      if (names.size() >= kMaxDirectoryEntries) {
        full = true;
        break;
      }
      const char* entryName = entry->d_name;
      if (std::strcmp(entryName, ".") != 0 && std::strcmp(entryName, "..") != 0) {
        names.emplace_back(entryName);
      }
    }
  }
  ::close(fd);
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<std::string> RootedSourceReader::ReadLink(const std::string& path) {
  if (Withheld(path)) return std::nullopt;
  const auto [directory, name] = Place(path);
  if (directory == kUnopened) return std::nullopt;
  char target[PATH_MAX];
  const ssize_t length = ::readlinkat(directory, name, target, sizeof target);
  // A target as long as the buffer may have been cut.
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof target) return std::nullopt;
  return std::string(target, static_cast<std::size_t>(length));
}

bool RootedSourceReader::Exists(const std::string& path) {
  const auto [directory, name] = Place(path);
  if (directory == kUnopened) return false;
  struct stat status {};
  return ::fstatat(directory, name, &status, 0) == 0;
}

std::optional<std::string> RootedSourceReader::Resolve(const std::string& path) {
  const auto [directory, name] = Place(path);
  if (directory == kUnopened) return std::nullopt;
  const std::optional<std::string> real = ResolvedPath(directory, name, HostPath(path));
  if (!real) return std::nullopt;
  if (root_.empty()) return real;
  // A link that climbs out of a fixture tree names nothing in it.
  if (real->compare(0, root_.size(), root_) != 0) return std::nullopt;
  std::string inside = real->substr(root_.size());
  if (inside.empty()) return std::string("/");
  if (inside.front() != '/') return std::nullopt;
  return inside;
}

}  // namespace hwident
