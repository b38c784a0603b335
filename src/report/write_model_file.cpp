#include "report/write_model_file.h"

#include <cstdint>
#include <memory>

#include "collect/report_lines.h"

namespace hwident {
namespace {

// The size of a Windows path buffer (MAX_PATH plus one); the expansion of the
// directory must fit it, terminator included.
constexpr std::uint32_t kPathBufferSize = 261;

// Expands %Windir% into the report's directory. False when the expansion
// fails or its result does not fit the buffer: the destination's content is
// not defined then, so it must never become a path.
bool ExpandReportDirectory(FileServices& files, NarrowText* directory) {
  char source[kPathBufferSize] = "%Windir%";
  char destination[kPathBufferSize] = {};
  const std::uint32_t needed = files.ExpandEnvironmentStrings(source, destination, kPathBufferSize);
  if (needed == 0 || needed > kPathBufferSize) return false;
  destination[kPathBufferSize - 1] = '\0';
  *directory = destination;
  return true;
}

// Makes an existing report an ordinary, writable file that keeps its times
// (rounded to whole seconds). Read-only must go first, or the times could not
// be set through a handle open for writing; the other marks go last.
// Failures here are not reported: the open that follows tells the user.
void ResetReportStatus(FileServices& files, const NarrowText& path) {
  FileStatus status;
  if (!files.GetStatus(path, &status)) return;
  FileTimes times = status.times;
  // The platform reads an unset creation or access time as the write time.
  if (times.creation == 0) times.creation = times.lastWrite;
  if (times.lastAccess == 0) times.lastAccess = times.lastWrite;

  const bool readOnly = (status.attributes & file_attribute::kReadOnly) != 0;
  if (readOnly) files.SetAttributes(path, file_attribute::kNone);
  if (times.lastWrite != 0) files.SetTimes(path, times);
  if (!readOnly) files.SetAttributes(path, file_attribute::kNone);
}

// Writes the lines in order and closes the stream. False when a line or the
// close failed; writing stops at the first failed line.
bool WriteLines(ReportStream& stream) {
  bool written = true;
  for (const NarrowText& line : g_reportLines) {
    if (!stream.WriteLine(line)) {
      written = false;
      break;
    }
  }
  g_reportLines.clear();
  const bool closed = stream.Close();
  return written && closed;
}

}  // namespace

void WriteModelFile(FileServices& files, MessageDisplay& messages) {
  NarrowText directory;
  if (!ExpandReportDirectory(files, &directory)) {
    messages.ShowPlainMessage("Can not expand environment string");
    g_reportLines.clear();
    return;
  }
  const NarrowText path = directory + "\\Model.txt";

  ResetReportStatus(files, path);
  std::unique_ptr<ReportStream> stream = files.OpenForWriting(path);
  if (!stream) {
    messages.ShowPlainMessage("Can not open " + path);
    g_reportLines.clear();
    return;
  }
  // A full disk or a failing close would otherwise leave a short report
  // without a word to the user.
  if (!WriteLines(*stream)) messages.ShowPlainMessage("Can not write " + path);
}

}  // namespace hwident
