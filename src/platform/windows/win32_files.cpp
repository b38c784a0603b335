#include "platform/windows/win32_files.h"

#include "platform/windows/windows_api.h"

#include <new>
#include <string>

#include "platform/windows/file_time.h"
#include "platform/windows/report_handle_stream.h"

namespace hwident {
namespace {

std::int64_t ToSeconds(const FILETIME& time) {
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return SecondsFromFileTicks(ticks);
}

bool ToFileTime(std::int64_t seconds, FILETIME* time) {
  std::uint64_t ticks = 0;
  if (!FileTicksFromSeconds(seconds, &ticks)) return false;
  time->dwLowDateTime = static_cast<DWORD>(ticks);
  time->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return true;
}

// The full path, as the directory search wants it. Empty when it cannot be
// resolved.
std::string FullPath(const NarrowText& path) {
  const DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return std::string();
  std::string full(needed, '\0');
  const DWORD length = GetFullPathNameA(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return std::string();
  full.resize(length);
  return full;
}

}  // namespace

std::uint32_t Win32Files::ExpandEnvironmentStrings(const char* source, char* destination,
                                                   std::uint32_t size) {
  return ExpandEnvironmentStringsA(source, destination, size);
}

bool Win32Files::GetStatus(const NarrowText& path, FileStatus* status) {
  const std::string full = FullPath(path);
  if (full.empty()) return false;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(full.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  status->attributes = found.dwFileAttributes;
  status->times.creation = ToSeconds(found.ftCreationTime);
  status->times.lastAccess = ToSeconds(found.ftLastAccessTime);
  status->times.lastWrite = ToSeconds(found.ftLastWriteTime);
  return true;
}

bool Win32Files::SetAttributes(const NarrowText& path, std::uint32_t attributes) {
  return SetFileAttributesA(path.c_str(), attributes) != FALSE;
}

bool Win32Files::SetTimes(const NarrowText& path, const FileTimes& times) {
  // A time of 0 is "none": that time is left as the file has it.
  FILETIME creation, lastAccess, lastWrite;
  const FILETIME* creationArg = nullptr;
  const FILETIME* lastAccessArg = nullptr;
  const FILETIME* lastWriteArg = nullptr;
  if (times.creation != 0) {
    if (!ToFileTime(times.creation, &creation)) return false;
    creationArg = &creation;
  }
  if (times.lastAccess != 0) {
    if (!ToFileTime(times.lastAccess, &lastAccess)) return false;
    lastAccessArg = &lastAccess;
  }
  if (times.lastWrite != 0) {
    if (!ToFileTime(times.lastWrite, &lastWrite)) return false;
    lastWriteArg = &lastWrite;
  }
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool set = SetFileTime(file, creationArg, lastAccessArg, lastWriteArg) != FALSE;
  const bool closed = CloseHandle(file) != FALSE;
  return set && closed;
}

std::unique_ptr<ReportStream> Win32Files::OpenForWriting(const NarrowText& path) {
  // No sharing at all: while the report is written nobody else reads or
  // writes it, and a file someone else holds open makes this open fail.
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  std::unique_ptr<ReportStream> stream(new (std::nothrow) ReportHandleStream(file));
  if (!stream) CloseHandle(file);
  return stream;
}

}  // namespace hwident
