#include "platform/windows/file_time.h"

#include <limits>

namespace hwident {
namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;

}  // namespace

std::int64_t SecondsFromFileTicks(std::uint64_t ticks) {
  if (ticks == 0) return 0;
  return static_cast<std::int64_t>(ticks / kTicksPerSecond) - kSecondsFrom1601To1970;
}

bool FileTicksFromSeconds(std::int64_t seconds, std::uint64_t* ticks) {
  if (seconds < -kSecondsFrom1601To1970) return false;
  if (seconds > std::numeric_limits<std::int64_t>::max() - kSecondsFrom1601To1970) return false;
  // Seconds since 1601 as unsigned, now that they cannot be negative.
  const auto since1601 = static_cast<std::uint64_t>(seconds + kSecondsFrom1601To1970);
  if (since1601 > std::numeric_limits<std::uint64_t>::max() / kTicksPerSecond) return false;
  *ticks = since1601 * kTicksPerSecond;
  return true;
}

}  // namespace hwident
