#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/file_services.h"
#include "platform/message_display.h"

namespace hwident {

// Messages and files in memory, for tests of the report writer and the run
// driver. Both record what was asked of them, in order.

enum class MessageStyle { kApp, kPlain };

struct ShownMessage {
  MessageStyle style = MessageStyle::kApp;
  NarrowText text;
  bool operator==(const ShownMessage&) const = default;
};

// Records every message instead of showing it; never waits.
class ScriptedMessageDisplay : public MessageDisplay {
 public:
  void ShowAppMessage(const NarrowText& text) override;
  void ShowPlainMessage(const NarrowText& text) override;

  std::vector<ShownMessage> shown;
};

// One file of the scripted file system.
struct ScriptedFile {
  std::uint32_t attributes = file_attribute::kArchive;
  FileTimes times;
  std::string content;  // the bytes on disk, line ends included
};

// Calls that can be made to fail.
struct ScriptedFailures {
  bool expansion = false;  // ExpandEnvironmentStrings returns 0
  bool getStatus = false;
  bool setAttributes = false;
  bool setTimes = false;
  bool open = false;
  int writeLinesBeforeFailure = -1;  // -1: every write succeeds
  bool close = false;
};

// Files keyed by their full path, as formed by the caller (backslashes). It
// behaves as the Windows calls it stands for do where a test could tell:
// a read-only file cannot be opened for writing (so neither rewritten nor
// have its times set), nor can a hidden or system one be replaced; a file can
// be created only in a directory that exists; a new file is archive-marked.
class ScriptedFileServices : public FileServices {
 public:
  ScriptedFileServices();

  std::uint32_t ExpandEnvironmentStrings(const char* source, char* destination,
                                         std::uint32_t size) override;
  bool GetStatus(const NarrowText& path, FileStatus* status) override;
  bool SetAttributes(const NarrowText& path, std::uint32_t attributes) override;
  bool SetTimes(const NarrowText& path, const FileTimes& times) override;
  std::unique_ptr<ReportStream> OpenForWriting(const NarrowText& path) override;

  // Source text -> expanded text. A source not listed expands to itself.
  std::map<std::string, std::string> expansions;
  std::set<std::string> directories;
  std::map<std::string, ScriptedFile> files;
  ScriptedFailures failures;
  // The time stamped on a file that is opened for writing.
  std::int64_t now = 1700000000;

  // Every call, in order, one text each: "expand %Windir%", "status PATH",
  // "attributes PATH 0x1", "times PATH C A W", "open PATH", "write LINE",
  // "close".
  std::vector<std::string> calls;

 private:
  friend class ScriptedReportStream;
  int linesWritten_ = 0;
};

}  // namespace hwident
