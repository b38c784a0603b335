// Narrow and wide text through the ANSI code page, as the management service
// and the program's own texts meet on Windows.
#include "platform/windows/windows_api.h"

#include <climits>

#include "platform/wide_text.h"

namespace hwident {

// WCHAR and the seam's WideChar are both 16-bit UTF-16 units.
static_assert(sizeof(WCHAR) == sizeof(WideChar));

WideText NarrowToWide(std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return WideText();
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return WideText();
  WideText wide(static_cast<std::size_t>(needed), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, reinterpret_cast<WCHAR*>(wide.data()),
                      needed);
  return wide;
}

NarrowText WideToNarrow(std::u16string_view text) {
  // The service's strings are read as C strings: a zero unit ends them.
  const std::size_t zero = text.find(u'\0');
  if (zero != std::u16string_view::npos) text = text.substr(0, zero);
  if (text.empty() || text.size() > INT_MAX) return NarrowText();
  const auto* wide = reinterpret_cast<const WCHAR*>(text.data());
  const int length = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return NarrowText();
  NarrowText narrow(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, length, narrow.data(), needed, nullptr, nullptr);
  return narrow;
}

}  // namespace hwident
