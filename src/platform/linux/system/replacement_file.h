#pragma once

#include <signal.h>

#include <memory>
#include <string>
#include <string_view>

namespace hwident {

// A new file written beside the one it replaces and moved into its place
// whole, so a reader only ever sees the old file or the complete new one.
//
// Begin locks the directory against other replacements (flock on the
// directory itself: nothing to clean up, and it covers a file not made yet),
// refuses a place held by anything but a regular file (a symbolic link is
// never followed), and creates a hidden temporary file ".NAME.XXXXXX" there:
// a fresh file of the running user, mode 0644 less the umask, whatever was
// planted at NAME. Commit flushes it to the disk and renames it over NAME; a
// hard link's other name or a planted file keeps its bytes and owner.
//
// Whatever fails, and whenever the object goes away uncommitted, the
// temporary file is removed and the old file stays exactly as it was.
// Signals wait while the temporary file exists, so a run told to stop leaves
// none behind either; only SIGKILL cannot wait.
class ReplacementFile {
 public:
  // Null when the replacement cannot begin: the directory cannot be opened,
  // another replacement holds it, NAME is not a regular file, or no file can
  // be created there.
  static std::unique_ptr<ReplacementFile> Begin(const std::string& path);

  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;
  ~ReplacementFile();

  // Writes every byte, or returns false.
  bool Write(std::string_view bytes);
  // Flushes, closes and renames. False when any step failed; the temporary
  // file is gone then and the old file untouched.
  bool Commit();

 private:
  ReplacementFile(int directory, std::string name);
  bool CreateTemporary();

  int directory_;
  std::string name_;
  std::string temporary_;  // empty once renamed (or never made)
  int fd_ = -1;
  sigset_t savedMask_;
};

}  // namespace hwident
