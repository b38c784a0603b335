#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "collect/format_bounded.h"

// Input: a byte of buffer size, eight bytes of a double, then the format as
// wide characters. The output never passes the bound and is always ended.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 9) return 0;
  const std::size_t bytes = data[0];
  double number = 0;
  std::memcpy(&number, data + 1, sizeof number);
  std::u16string format((size - 9) / 2, u'\0');
  std::memcpy(format.data(), data + 9, format.size() * 2);

  // One guard character past the bound catches any write beyond it.
  std::vector<hwident::WideChar> buffer(bytes / 2 + 1, u'#');
  const hwident::WideChar* text = u"text";
  hwident::FormatBounded(buffer.data(), bytes, format,
                         {std::int32_t{-7}, number, hwident::WideChar{u'c'}, text, number});
  if (bytes / 2 >= 1) {
    const std::size_t capacity = bytes / 2 - 1;
    const auto end = std::find(buffer.begin(), buffer.begin() + capacity + 1, u'\0');
    if (end == buffer.begin() + capacity + 1) std::abort();
  }
  if (buffer.back() != u'#') std::abort();
  return 0;
}
