#pragma once

#include <signal.h>
#include <sys/stat.h>

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
// never followed) or by a file the running user could neither write nor, as
// its owner, make writable, and creates a hidden temporary file
// ".NAME.XXXXXX" there: a fresh file of the running user, mode 0644 less the
// umask. Commit flushes it to the disk and renames it over NAME; a hard
// link's other name or a planted file keeps its bytes and owner.
//
// Where the directory takes no new file (read-only for this user), an old
// file with no other name that the user may write as it stands is rewritten
// in place instead: cut to nothing at Begin, written, flushed at Commit. A
// reader may then see a part of the new file, and a failed write leaves one.
//
// Holding the lock, Begin also removes the temporary files of runs killed
// before they could: no other run can be writing one meanwhile.
//
// Whatever fails, and whenever the object goes away uncommitted, the
// temporary file is removed and the old file stays exactly as it was.
// Signals wait while the temporary file exists, so a run told to stop leaves
// none behind either (nor half a file written in place); only SIGKILL cannot
// wait.
class ReplacementFile {
 public:
  // Null when the replacement cannot begin: the directory cannot be opened,
  // another replacement holds it, NAME is not a regular file or not one
  // this user may replace, or no file can be created there nor NAME be
  // rewritten in place. Nothing has changed then.
  static std::unique_ptr<ReplacementFile> Begin(const std::string& path);

  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;
  ~ReplacementFile();

  // Writes every byte, or returns false.
  bool Write(std::string_view bytes);
  // Flushes, closes and renames. False when any step failed; the temporary
  // file is gone then and the old file untouched (unless written in place).
  bool Commit();

 private:
  ReplacementFile(int directory, std::string name);
  bool MayReplace(const struct stat& old) const;
  bool CreateTemporary();
  bool OpenInPlace(const struct stat& old);
  void RemoveLeftovers() const;

  int directory_;
  bool locked_ = false;
  std::string name_;
  std::string temporary_;  // empty once renamed (or never made: in place)
  int fd_ = -1;
  sigset_t savedMask_;
};

}  // namespace hwident
