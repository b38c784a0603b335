#pragma once

#include <cstdint>

namespace hwident {

// FILETIME counts 100-nanosecond ticks since 1601-01-01 UTC; the seam counts
// whole seconds since 1970-01-01 UTC, with 0 meaning "no time".

// Ticks to whole seconds, the fraction dropped. A tick count of 0 (a time
// the file system never recorded) gives 0.
std::int64_t SecondsFromFileTicks(std::uint64_t ticks);

// Whole seconds to ticks. False when the time lies before 1601 or beyond
// what the ticks can count.
bool FileTicksFromSeconds(std::int64_t seconds, std::uint64_t* ticks);

}  // namespace hwident
