#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace hwident {

// Numbers as machine files print them. A broken kernel, a container runtime
// or a bind mount can put anything in those files, so every number the
// provider reads is parsed here and checked against the range its use can
// take; arithmetic on it is checked too. Out of range means nothing: the
// property goes null rather than showing a wrapped or made-up value.

// Plain decimal ("-12", "4096"): an optional minus sign and digits, nothing
// else; nothing when it does not fit [low, high].
std::optional<std::int64_t> ParseDecimalIn(std::string_view text, std::int64_t low,
                                           std::int64_t high);

// Hexadecimal digits without a prefix ("1f"), at most high.
std::optional<std::uint64_t> ParseHexIn(std::string_view text, std::uint64_t high);

// a * b and a + b, or nothing when the result does not fit 64 bits.
std::optional<std::int64_t> CheckedMultiply(std::int64_t a, std::int64_t b);
std::optional<std::int64_t> CheckedAdd(std::int64_t a, std::int64_t b);

// A size as sysfs prints cache sizes ("32K", "2M", "1G", or bytes), in
// KB; bytes are rounded down.
std::optional<std::int64_t> ParseSizeKilobytes(std::string_view text);

// The most logical CPUs a Linux kernel can be built for (NR_CPUS on x86-64
// with MAXSMP). A CPU number at or above it names no CPU.
inline constexpr std::int64_t kMaxCpus = 8192;

}  // namespace hwident
