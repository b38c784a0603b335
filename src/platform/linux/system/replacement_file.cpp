#include "platform/linux/system/replacement_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <utility>

namespace hwident {
namespace {

// Enough tries that only a directory filled on purpose runs out of names.
constexpr int kNameAttempts = 100;

// Six letters or digits. Early at boot the kernel may have no random bytes
// yet; the process id and the clock still keep runs apart, and O_EXCL keeps
// a name that is taken from being used.
std::string RandomSuffix() {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::uint64_t bits = 0;
  if (getrandom(&bits, sizeof bits, GRND_NONBLOCK) != sizeof bits) bits = 0;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  bits ^= static_cast<std::uint64_t>(getpid()) << 32 ^ static_cast<std::uint64_t>(now.tv_nsec);
  std::string suffix;
  for (int i = 0; i < 6; ++i, bits /= sizeof kLetters - 1) {
    suffix += kLetters[bits % (sizeof kLetters - 1)];
  }
  return suffix;
}

// The directory and the name in it; a path without a slash is in the
// current directory.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace

std::unique_ptr<ReplacementFile> ReplacementFile::Begin(const std::string& path) {
  const auto [directoryPath, name] = SplitPath(path);
  const int directory = open(directoryPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory < 0) return nullptr;
  // From here the destructor closes the directory and restores the signals.
  std::unique_ptr<ReplacementFile> file(new ReplacementFile(directory, name));
  // A file system that cannot lock a directory (NFS) goes on unlocked: the
  // rename alone keeps the report whole, only the "held" message is lost.
  if (flock(directory, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) return nullptr;
  // Checked under the lock; a link planted after the check is replaced by
  // the rename, never followed.
  struct stat info;
  if (fstatat(directory, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 ? !S_ISREG(info.st_mode)
                                                                        : errno != ENOENT) {
    return nullptr;
  }
  if (!file->CreateTemporary()) return nullptr;
  return file;
}

ReplacementFile::ReplacementFile(int directory, std::string name)
    : directory_(directory), name_(std::move(name)) {
  sigset_t all;
  sigfillset(&all);
  sigprocmask(SIG_BLOCK, &all, &savedMask_);
}

ReplacementFile::~ReplacementFile() {
  if (fd_ >= 0) close(fd_);
  if (!temporary_.empty()) unlinkat(directory_, temporary_.c_str(), 0);
  close(directory_);  // and with it the lock
  // A signal that came meanwhile is delivered now.
  sigprocmask(SIG_SETMASK, &savedMask_, nullptr);
}

bool ReplacementFile::CreateTemporary() {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string candidate = "." + name_ + "." + RandomSuffix();
    // open applies the umask to 0644, as for any new file of the user.
    fd_ = openat(directory_, candidate.c_str(),
                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd_ >= 0) {
      temporary_ = candidate;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool ReplacementFile::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool ReplacementFile::Commit() {
  // Flushed before the rename, so that after a crash the name holds the old
  // report or the whole new one, never an empty file.
  const bool synced = fsync(fd_) == 0;
  const bool closed = close(std::exchange(fd_, -1)) == 0;
  if (!synced || !closed) return false;
  if (renameat(directory_, temporary_.c_str(), directory_, name_.c_str()) != 0) return false;
  temporary_.clear();
  return true;
}

}  // namespace hwident
