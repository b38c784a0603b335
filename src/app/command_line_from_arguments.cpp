#include "app/command_line_from_arguments.h"

namespace hwident {

NarrowText CommandLineFromArguments(int argc, const char* const* argv) {
  NarrowText text;
  for (int index = 1; index < argc; ++index) {
    if (index > 1) text += ' ';
    text += argv[index];
  }
  // Bytes are compared unsigned, so 0x80 and above never count as blanks.
  std::size_t start = 0;
  while (start < text.size() && static_cast<unsigned char>(text[start]) <= 0x20) ++start;
  return text.substr(start);
}

}  // namespace hwident
