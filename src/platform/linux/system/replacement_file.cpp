#include "platform/linux/system/replacement_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <utility>
#include <vector>

namespace hwident {
namespace {

// Enough tries that only a directory filled on purpose runs out of names.
constexpr int kNameAttempts = 100;

// A temporary name ends in six of these, as mkstemp's do.
constexpr std::string_view kLetters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kSuffixLength = 6;

// Early at boot the kernel may have no random bytes yet; the process id and
// the clock still keep runs apart, and O_EXCL keeps a name that is taken
// from being used.
std::string RandomSuffix() {
  std::uint64_t bits = 0;
  if (getrandom(&bits, sizeof bits, GRND_NONBLOCK) != sizeof bits) bits = 0;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  bits ^= static_cast<std::uint64_t>(getpid()) << 32 ^ static_cast<std::uint64_t>(now.tv_nsec);
  std::string suffix;
  for (std::size_t i = 0; i < kSuffixLength; ++i, bits /= kLetters.size()) {
    suffix += kLetters[bits % kLetters.size()];
  }
  return suffix;
}

// ".NAME.XXXXXX", exactly as CreateTemporary names a temporary file of NAME.
bool IsTemporaryName(std::string_view candidate, std::string_view name) {
  const std::size_t prefix = name.size() + 2;
  return candidate.size() == prefix + kSuffixLength && candidate.front() == '.' &&
         candidate.substr(1, name.size()) == name && candidate[prefix - 1] == '.' &&
         candidate.substr(prefix).find_first_not_of(kLetters) == std::string_view::npos;
}

// The names of a directory, read through a descriptor of its own so that
// the locked one keeps its offset and its lock.
std::vector<std::string> NamesIn(int directory) {
  std::vector<std::string> names;
  const int listing = openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return names;
  DIR* entries = fdopendir(listing);
  if (entries == nullptr) {
    close(listing);
    return names;
  }
  while (const dirent* entry = readdir(entries)) names.emplace_back(entry->d_name);
  closedir(entries);
  return names;
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
  // A read-only directory locks as well as any, so runs writing the report
  // in place wait for each other too.
  if (flock(directory, LOCK_EX | LOCK_NB) == 0) {
    file->locked_ = true;
  } else if (errno == EWOULDBLOCK) {
    return nullptr;
  }
  // Checked under the lock; a link planted after the check is replaced by
  // the rename, never followed.
  struct stat old;
  const bool exists = fstatat(directory, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0;
  if (exists ? !S_ISREG(old.st_mode) || !file->MayReplace(old) : errno != ENOENT) return nullptr;
  if (!file->CreateTemporary() && !(exists && file->OpenInPlace(old))) return nullptr;
  // Only now, so that a run that cannot begin changes nothing at all.
  if (file->locked_) file->RemoveLeftovers();
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

// A directory that everybody may write (without the sticky bit) must not let
// a run replace a file it could never have rewritten: the runner must be
// allowed to write the old file as it stands, or, as its owner, to make it
// writable. The kernel judges the write, so group membership and access
// lists count, and root may always, short of an immutable file, which the
// rename could not replace either.
bool ReplacementFile::MayReplace(const struct stat& old) const {
  return old.st_uid == geteuid() ||
         faccessat(directory_, name_.c_str(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) == 0;
}

// Only a file with no other name, writable as it stands: a hard link's other
// name is never written through, and a read-only file is never made
// writable. O_NONBLOCK keeps a FIFO swapped in meanwhile from hanging the
// run; the descriptor must then lead to the very file judged under the lock.
bool ReplacementFile::OpenInPlace(const struct stat& old) {
  if (old.st_nlink != 1) return false;
  const int fd = openat(directory_, name_.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat opened;
  if (fstat(fd, &opened) != 0 || opened.st_dev != old.st_dev || opened.st_ino != old.st_ino ||
      opened.st_nlink != 1 || ftruncate(fd, 0) != 0) {
    close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

// Temporary files of this name that a run killed outright (SIGKILL, power
// loss) left behind. Only regular files of this user go: a link is removed
// as a name at most, never followed, and another user's file stays.
void ReplacementFile::RemoveLeftovers() const {
  const uid_t self = geteuid();
  for (const std::string& candidate : NamesIn(directory_)) {
    if (candidate == temporary_ || !IsTemporaryName(candidate, name_)) continue;
    struct stat info;
    if (fstatat(directory_, candidate.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(info.st_mode) && info.st_uid == self) {
      unlinkat(directory_, candidate.c_str(), 0);
    }
  }
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
  // report or the whole new one, never an empty file. Written in place, the
  // flush still tells of a write the disk refused at the end.
  const bool synced = fsync(fd_) == 0;
  const bool closed = close(std::exchange(fd_, -1)) == 0;
  if (!synced || !closed) return false;
  if (temporary_.empty()) return true;  // written in place
  if (renameat(directory_, temporary_.c_str(), directory_, name_.c_str()) != 0) return false;
  temporary_.clear();
  return true;
}

}  // namespace hwident
