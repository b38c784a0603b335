#include "platform/linux/provider/sources/load_average.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

// The kernel prints the average with two decimals ("0.52 0.58 0.59 ...").
// Far above any real machine's run queue, and small enough that the sums
// below cannot overflow.
constexpr std::int64_t kMaxWholeLoad = std::int64_t{1} << 24;

std::optional<std::int64_t> Hundredths(std::string_view field) {
  const std::size_t point = field.find('.');
  if (point == std::string_view::npos || field.size() - point != 3) return std::nullopt;
  const auto whole = ParseDecimalIn(field.substr(0, point), 0, kMaxWholeLoad);
  const auto fraction = ParseDecimalIn(field.substr(point + 1), 0, 99);
  if (!whole || !fraction) return std::nullopt;
  return *whole * 100 + *fraction;
}

}  // namespace

std::optional<int> LoadPercentFromLoadAverage(const std::string& loadavg, int onlineCpus) {
  if (onlineCpus <= 0) return std::nullopt;
  const std::string_view text(loadavg);
  const auto hundredths = Hundredths(text.substr(0, text.find(' ')));
  if (!hundredths) return std::nullopt;
  const std::int64_t share = (*hundredths + onlineCpus / 2) / onlineCpus;
  return static_cast<int>(std::min<std::int64_t>(share, 100));
}

}  // namespace hwident
