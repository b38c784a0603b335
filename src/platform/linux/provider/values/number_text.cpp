#include "platform/linux/provider/values/number_text.h"

#include <charconv>
#include <limits>

namespace hwident {

std::optional<std::int64_t> ParseDecimalIn(std::string_view text, std::int64_t low,
                                           std::int64_t high) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  // from_chars takes no '+' and no blanks, and refuses what does not fit.
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc{} || stop != end) return std::nullopt;
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::optional<std::uint64_t> ParseHexIn(std::string_view text, std::uint64_t high) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  if (text.empty() || text.front() == '-') return std::nullopt;
  const auto [stop, error] = std::from_chars(text.data(), end, value, 16);
  if (error != std::errc{} || stop != end || value > high) return std::nullopt;
  return value;
}

std::optional<std::int64_t> CheckedMultiply(std::int64_t a, std::int64_t b) {
  std::int64_t product = 0;
  if (__builtin_mul_overflow(a, b, &product)) return std::nullopt;
  return product;
}

std::optional<std::int64_t> CheckedAdd(std::int64_t a, std::int64_t b) {
  std::int64_t sum = 0;
  if (__builtin_add_overflow(a, b, &sum)) return std::nullopt;
  return sum;
}

std::optional<std::int64_t> ParseSizeKilobytes(std::string_view text) {
  if (text.empty()) return std::nullopt;
  const char unit = text.back();
  const std::int64_t scale = unit == 'K' ? 1 : unit == 'M' ? 1024 : unit == 'G' ? 1024 * 1024 : 0;
  const auto number = ParseDecimalIn(scale == 0 ? text : text.substr(0, text.size() - 1), 0,
                                     std::numeric_limits<std::int64_t>::max());
  if (!number) return std::nullopt;
  return scale == 0 ? *number / 1024 : CheckedMultiply(*number, scale);
}

}  // namespace hwident
