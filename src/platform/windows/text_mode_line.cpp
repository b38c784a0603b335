#include "platform/windows/text_mode_line.h"

namespace hwident {

void AppendTextModeLine(std::string* out, std::string_view line) {
  for (const char c : line) {
    if (c == '\n') out->push_back('\r');
    out->push_back(c);
  }
  out->append("\r\n");
}

}  // namespace hwident
