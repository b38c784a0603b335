#include "platform/scripted/scripted_system.h"

#include <cstdio>
#include <cstring>

namespace hwident {

void ScriptedMessageDisplay::ShowAppMessage(const NarrowText& text) {
  shown.push_back({MessageStyle::kApp, text});
}

void ScriptedMessageDisplay::ShowPlainMessage(const NarrowText& text) {
  shown.push_back({MessageStyle::kPlain, text});
}

namespace {

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
  return text;
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Text mode: every line feed reaches the file as CR LF.
std::string TextMode(std::string_view line) {
  std::string bytes;
  for (char c : line) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  return bytes + "\r\n";
}

}  // namespace

// The open report: appends to the scripted file's content as lines arrive.
class ScriptedReportStream : public ReportStream {
 public:
  ScriptedReportStream(ScriptedFileServices& owner, std::string path)
      : owner_(owner), path_(std::move(path)) {}

  bool WriteLine(std::string_view line) override {
    owner_.calls.push_back("write " + std::string(line));
    const int limit = owner_.failures.writeLinesBeforeFailure;
    if (limit >= 0 && owner_.linesWritten_ >= limit) return false;
    ++owner_.linesWritten_;
    owner_.files[path_].content += TextMode(line);
    return true;
  }

  bool Close() override {
    owner_.calls.push_back("close");
    return !owner_.failures.close;
  }

 private:
  ScriptedFileServices& owner_;
  std::string path_;
};

ScriptedFileServices::ScriptedFileServices() {
  expansions["%Windir%"] = "C:\\Windows";
  directories.insert("C:\\Windows");
}

std::uint32_t ScriptedFileServices::ExpandEnvironmentStrings(const char* source, char* destination,
                                                             std::uint32_t size) {
  calls.push_back("expand " + std::string(source));
  if (failures.expansion) return 0;
  const auto found = expansions.find(source);
  const std::string result = found == expansions.end() ? std::string(source) : found->second;
  const auto needed = static_cast<std::uint32_t>(result.size() + 1);
  if (needed > size) {
    // Whatever the buffer then holds is not to be relied on: make it
    // something a caller would notice using.
    if (size > 0) std::memset(destination, '?', size);
    return needed;
  }
  std::memcpy(destination, result.c_str(), needed);
  return needed;
}

bool ScriptedFileServices::GetStatus(const NarrowText& path, FileStatus* status) {
  calls.push_back("status " + path);
  const auto found = files.find(path);
  if (failures.getStatus || found == files.end()) return false;
  status->attributes = found->second.attributes;
  status->times = found->second.times;
  return true;
}

bool ScriptedFileServices::SetAttributes(const NarrowText& path, std::uint32_t attributes) {
  calls.push_back("attributes " + path + " " + Hex(attributes));
  const auto found = files.find(path);
  if (failures.setAttributes || found == files.end()) return false;
  found->second.attributes = attributes;
  return true;
}

bool ScriptedFileServices::SetTimes(const NarrowText& path, const FileTimes& times) {
  calls.push_back("times " + path + " " + std::to_string(times.creation) + " " +
                  std::to_string(times.lastAccess) + " " + std::to_string(times.lastWrite));
  const auto found = files.find(path);
  if (failures.setTimes || found == files.end()) return false;
  // The times are set through a handle open for writing.
  if ((found->second.attributes & file_attribute::kReadOnly) != 0) return false;
  found->second.times = times;
  return true;
}

std::unique_ptr<ReportStream> ScriptedFileServices::OpenForWriting(const NarrowText& path) {
  calls.push_back("open " + path);
  if (failures.open || directories.count(DirectoryOf(path)) == 0) return nullptr;
  const auto found = files.find(path);
  if (found != files.end()) {
    // Replacing a file refuses read-only, and hidden or system marks that
    // the new attributes do not repeat.
    constexpr std::uint32_t kRefused =
        file_attribute::kReadOnly | file_attribute::kHidden | file_attribute::kSystem;
    if ((found->second.attributes & kRefused) != 0) return nullptr;
  }
  ScriptedFile& file = files[path];
  file.attributes = file_attribute::kArchive;
  file.content.clear();
  file.times.lastWrite = now;
  if (file.times.creation == 0) file.times.creation = now;
  file.times.lastAccess = now;
  linesWritten_ = 0;
  return std::make_unique<ScriptedReportStream>(*this, path);
}

}  // namespace hwident
