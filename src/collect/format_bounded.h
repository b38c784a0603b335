#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "platform/management_service.h"
#include "platform/wide_text.h"

namespace hwident {

// One argument of FormatBounded, typed so a wrong conversion cannot read
// past what the caller passed.
class FormatArgument {
 public:
  enum class Kind { kInteger, kFloat, kCharacter, kString };

  FormatArgument(std::int32_t number) : kind_(Kind::kInteger), integer_(number) {}
  FormatArgument(std::uint32_t number) : kind_(Kind::kInteger), integer_(number) {}
  FormatArgument(double number) : kind_(Kind::kFloat), floating_(number) {}
  FormatArgument(WideChar character) : kind_(Kind::kCharacter), integer_(character) {}
  FormatArgument(const WideChar* text) : kind_(Kind::kString), text_(text) {}

  Kind kind() const { return kind_; }
  std::int64_t integer() const { return integer_; }
  double floating() const { return floating_; }
  const WideChar* text() const { return text_; }

 private:
  Kind kind_;
  std::int64_t integer_ = 0;
  double floating_ = 0;
  const WideChar* text_ = nullptr;
};

// Result codes of FormatBounded (no caller reads them; tests do).
inline constexpr ResultCode kFormatTruncated = -2147024774;  // 0x8007007A, buffer too small
inline constexpr ResultCode kFormatInvalid = -2147024809;    // 0x80070057, bad format or argument

// A bounded wide printf. Writes at most (size / 2 - 1) characters into
// destination (size is in bytes) and always ends them with a zero; output
// that does not fit is cut there. A size below 2 bytes writes nothing.
//
// Conversions: %[-][width][.precision] followed by d, u, X, x, c, f, s (also
// written wS, ls or S) or %%; an h before d, u, X or x keeps the low 16 bits.
// %f prints by FixedPointText's rule, not the host C library's. A null %s
// prints "(null)". A conversion without a matching argument ends the output
// and returns kFormatInvalid.
ResultCode FormatBounded(WideChar* destination, std::size_t size, std::u16string_view format,
                         std::span<const FormatArgument> arguments);

inline ResultCode FormatBounded(WideChar* destination, std::size_t size, std::u16string_view format,
                                std::initializer_list<FormatArgument> arguments) {
  return FormatBounded(destination, size, format,
                       std::span<const FormatArgument>(arguments.begin(), arguments.size()));
}

}  // namespace hwident
