#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/wide_text.h"

namespace hwident {

// File attribute bits, in the platform's numbering. Only read-only has a
// meaning on every platform; the report writer clears them all.
namespace file_attribute {
inline constexpr std::uint32_t kNone = 0x00;
inline constexpr std::uint32_t kReadOnly = 0x01;
inline constexpr std::uint32_t kHidden = 0x02;
inline constexpr std::uint32_t kSystem = 0x04;
inline constexpr std::uint32_t kArchive = 0x20;
}  // namespace file_attribute

// File times in whole seconds since 1970-01-01 UTC; 0 reads as "none".
struct FileTimes {
  std::int64_t creation = 0;
  std::int64_t lastAccess = 0;
  std::int64_t lastWrite = 0;
};

struct FileStatus {
  std::uint32_t attributes = file_attribute::kNone;
  FileTimes times;
};

// The report file while it is written.
class ReportStream {
 public:
  virtual ~ReportStream() = default;
  // Writes the line and a line end (CR LF on every platform). False when the
  // bytes could not be written.
  virtual bool WriteLine(std::string_view line) = 0;
  // Flushes buffered output and closes. False when that fails.
  virtual bool Close() = 0;
};

// Environment expansion and the file calls the report writer needs.
class FileServices {
 public:
  virtual ~FileServices() = default;

  // Expands %NAME% references in source into destination, writing at most
  // size bytes. Returns the size the whole result needs, terminator included
  // (more than size when it did not fit), or 0 on failure.
  virtual std::uint32_t ExpandEnvironmentStrings(const char* source, char* destination,
                                                 std::uint32_t size) = 0;
  // Reads attributes and times of an existing file (its full path resolved,
  // the file found by a directory search). False when it cannot.
  virtual bool GetStatus(const NarrowText& path, FileStatus* status) = 0;
  virtual bool SetAttributes(const NarrowText& path, std::uint32_t attributes) = 0;
  // Opens the existing file for reading and writing, sharing it for reading
  // only, sets its three times and closes it.
  virtual bool SetTimes(const NarrowText& path, const FileTimes& times) = 0;
  // Creates the file or truncates it, held exclusively while written. Null
  // when the open fails.
  virtual std::unique_ptr<ReportStream> OpenForWriting(const NarrowText& path) = 0;
};

}  // namespace hwident
