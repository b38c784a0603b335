#include "app/process_command_line.h"

#include <cstddef>

namespace hwident {
namespace {

// Bytes are compared unsigned: a name or text in a code page above ASCII
// (0x80 and up) must never read as a blank, as a signed char would.
bool IsBlank(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code != 0 && code <= 0x20;
}

// Where the program's name ends. A quoted name may hold blanks and ends just
// after its closing quote, whatever follows; without a closing quote it takes
// the whole line.
std::size_t EndOfProgramName(std::string_view line) {
  if (!line.empty() && line.front() == '"') {
    const std::size_t closing = line.find('"', 1);
    return closing == std::string_view::npos ? line.size() : closing + 1;
  }
  std::size_t end = 0;
  while (end < line.size() && static_cast<unsigned char>(line[end]) > 0x20) ++end;
  return end;
}

}  // namespace

std::string_view ProcessCommandLine(std::string_view fullLine) {
  std::size_t start = EndOfProgramName(fullLine);
  while (start < fullLine.size() && IsBlank(fullLine[start])) ++start;
  return fullLine.substr(start);
}

}  // namespace hwident
