#pragma once

#include <string>
#include <string_view>

namespace hwident {

// Appends a report line as a text-mode file writes it with a line feed after
// it: every line feed, the line's own ones included, becomes CR LF. A CR of
// the line stays as it is (a CR LF in the line becomes CR CR LF).
void AppendTextModeLine(std::string* out, std::string_view line);

}  // namespace hwident
