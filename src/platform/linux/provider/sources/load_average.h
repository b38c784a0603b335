#pragma once

#include <optional>
#include <string>

namespace hwident {

// The processors' load as a whole percentage, from /proc/loadavg: the
// one-minute load average shared out over the online CPUs, capped at 100.
// Linux keeps no recent busy share per CPU that can be read without
// sampling the counters twice, and a pause between two samples would be
// paid by every processor query. Nothing for text that is not a load
// average, or for no CPUs.
std::optional<int> LoadPercentFromLoadAverage(const std::string& loadavg, int onlineCpus);

}  // namespace hwident
