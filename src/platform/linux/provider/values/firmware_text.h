#pragma once

#include <string>
#include <string_view>

namespace hwident {

// UTF-8 to UTF-16 for text read from firmware and the kernel. Such text is
// not always UTF-8 (old DMI strings carry code-page bytes), so each byte that
// does not start a well-formed sequence becomes U+FFFD and the rest of the
// text still converts.
std::u16string DecodeMachineText(std::string_view text);

// UTF-16 to narrow text for names that are pure ASCII (namespaces, queries,
// class names); any other character becomes '?', which matches no name.
std::string AsciiFromWide(std::u16string_view text);

}  // namespace hwident
