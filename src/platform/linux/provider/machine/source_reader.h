#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace hwident {

// The longest machine file read. The largest real one is /proc/cpuinfo:
// about 1.6 KiB a CPU on x86, so some 6.5 MiB for 4096 CPUs. A longer file
// reads as unreadable rather than cut short, since a cut CPU list or table
// would be taken as whole and counted wrong.
inline constexpr std::size_t kMaxSourceFileBytes = 8 * 1024 * 1024;

// The most entries one directory listing gives. The longest real directory
// the provider lists is /proc, one entry a process: the kernel's own limit
// on process ids (PID_MAX_LIMIT) is 4,194,304. Entries past it are not read.
inline constexpr std::size_t kMaxDirectoryEntries = 4 * 1024 * 1024;

// Where the provider reads the machine from. Every path is absolute as the
// machine names it ("/sys/class/dmi/id/product_name"); the reader decides
// which real tree it stands for, so tests run the provider on fixture trees.
class SourceReader {
 public:
  virtual ~SourceReader() = default;

  // The whole file as it is, or nothing when it is missing, this process
  // may not read it or it is longer than kMaxSourceFileBytes.
  virtual std::optional<std::string> Read(const std::string& path) = 0;
  // Entry names of a directory, sorted; empty when it is missing.
  std::vector<std::string> List(const std::string& path) {
    return Entries(path).value_or(std::vector<std::string>());
  }
  // The same, but nothing when the directory is missing or this process may
  // not list it, for counts where an empty directory means zero.
  virtual std::optional<std::vector<std::string>> Entries(const std::string& path) = 0;
  // What a symbolic link holds, unresolved ("/usr/bin/bash", "/dev/null");
  // nothing when the path is not a link or this process may not read it.
  virtual std::optional<std::string> ReadLink(const std::string& path) = 0;
  virtual bool Exists(const std::string& path) = 0;
  // The path with every symbolic link resolved, in the machine's own terms;
  // nothing when it is missing or leads out of the tree.
  virtual std::optional<std::string> Resolve(const std::string& path) = 0;
};

// Reads the tree below a filesystem root ("/" on a live machine).
class RootedSourceReader final : public SourceReader {
 public:
  // asRoot says whether files only root may read count as readable: the
  // kernel makes serials and tables mode 0400, and a test stands in for an
  // ordinary user by passing false while running as root.
  RootedSourceReader(std::string root, bool asRoot);
  ~RootedSourceReader() override;
  RootedSourceReader(const RootedSourceReader&) = delete;
  RootedSourceReader& operator=(const RootedSourceReader&) = delete;

  std::optional<std::string> Read(const std::string& path) override;
  std::optional<std::vector<std::string>> Entries(const std::string& path) override;
  std::optional<std::string> ReadLink(const std::string& path) override;
  bool Exists(const std::string& path) override;
  std::optional<std::string> Resolve(const std::string& path) override;

  // Paths (and everything below them) the kernel refuses an ordinary user
  // whatever their mode bits say: another user's /proc/<pid>/exe and
  // /proc/<pid>/fd need the right to trace the process, and a proc mounted
  // with hidepid withholds every file of another user's process. A fixture
  // lists them, since a checkout keeps no mode bits. Only for !asRoot.
  void Withhold(std::vector<std::string> paths) { withheld_ = std::move(paths); }

  // Files read since RecordOpened, in order (machine paths), for tests
  // that prove a query reads only its own sources. Not kept otherwise: a
  // connection that runs many queries would gather every path it read.
  void RecordOpened() { recording_ = true; }
  const std::vector<std::string>& Opened() const { return opened_; }

 private:
  std::string HostPath(const std::string& path) const;
  bool Withheld(const std::string& path) const;
  // Every path below a fixture root is looked up from the root's
  // descriptor, so the tree's own location is walked once, not once per
  // file: the descriptor and the path's name relative to it (kUnopened
  // when the root could not be opened; a live machine's absolute path).
  // The name points into path, or is a literal.
  std::pair<int, const char*> Place(const std::string& path) const;

  std::string root_;                    // without a trailing slash; empty for "/"
  static constexpr int kUnopened = -1;  // the root could not be opened
  int rootFd_ = kUnopened;              // AT_FDCWD for a live machine's "/"
  bool asRoot_;
  bool recording_ = false;
  std::vector<std::string> opened_;
  std::vector<std::string> withheld_;
};

}  // namespace hwident
