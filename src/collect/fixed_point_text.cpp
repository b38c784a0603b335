#include "collect/fixed_point_text.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace hwident {
namespace {

// The host C library's %f cannot be used: glibc prints the exact binary
// expansion, other libraries print other digits. A double is m * 2^e with
// m below 2^53, so its exact decimal expansion is finite; a small big-integer
// in base 10^9 produces it on every host the same way.
constexpr std::uint32_t kLimbBase = 1000000000;
constexpr int kSignificantDigits = 17;

using BigNumber = std::vector<std::uint32_t>;  // base 10^9, least significant first

void Multiply(BigNumber& number, std::uint32_t factor) {
  std::uint64_t carry = 0;
  for (std::uint32_t& limb : number) {
    const std::uint64_t product = std::uint64_t{limb} * factor + carry;
    limb = static_cast<std::uint32_t>(product % kLimbBase);
    carry = product / kLimbBase;
  }
  while (carry != 0) {
    number.push_back(static_cast<std::uint32_t>(carry % kLimbBase));
    carry /= kLimbBase;
  }
}

// Multiplies by base^count in chunks that keep each product below 2^64.
void MultiplyByPower(BigNumber& number, std::uint32_t base, std::uint32_t chunk, int chunkCount,
                     int count) {
  for (; count >= chunkCount; count -= chunkCount) Multiply(number, chunk);
  for (; count > 0; --count) Multiply(number, base);
}

std::string DecimalDigits(const BigNumber& number) {
  std::string digits = std::to_string(number.back());
  for (auto limb = number.rbegin() + 1; limb != number.rend(); ++limb) {
    const std::string part = std::to_string(*limb);
    digits.append(9 - part.size(), '0');
    digits += part;
  }
  return digits;
}

// A decimal number 0.digits * 10^point, digits without leading zeros.
struct Decimal {
  std::string digits;
  int point = 0;
};

// Exact expansion of a finite, non-zero magnitude.
Decimal ExactDecimal(double magnitude) {
  const auto bits = std::bit_cast<std::uint64_t>(magnitude);
  const int biased = static_cast<int>(bits >> 52 & 0x7FF);
  std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  int exponent = -1074;  // subnormals
  if (biased != 0) {
    mantissa |= std::uint64_t{1} << 52;
    exponent = biased - 1075;
  }
  BigNumber number{static_cast<std::uint32_t>(mantissa % kLimbBase),
                   static_cast<std::uint32_t>(mantissa / kLimbBase % kLimbBase),
                   static_cast<std::uint32_t>(mantissa / kLimbBase / kLimbBase)};
  while (number.size() > 1 && number.back() == 0) number.pop_back();
  Decimal decimal;
  if (exponent >= 0) {
    MultiplyByPower(number, 2, 1u << 30, 30, exponent);
    decimal.digits = DecimalDigits(number);
    decimal.point = static_cast<int>(decimal.digits.size());
  } else {
    // m / 2^k == m * 5^k / 10^k.
    MultiplyByPower(number, 5, 1220703125u, 13, -exponent);
    decimal.digits = DecimalDigits(number);
    decimal.point = static_cast<int>(decimal.digits.size()) + exponent;
  }
  return decimal;
}

// Keeps the first count digits, rounding a tie away from zero. A carry out of
// the first digit moves the point. count may be 0 or negative.
void RoundToDigits(Decimal& decimal, int count) {
  if (count >= static_cast<int>(decimal.digits.size())) return;
  const bool up = count >= 0 && decimal.digits[count] >= '5';
  decimal.digits.resize(count < 0 ? 0 : count);
  if (!up) return;
  int at = static_cast<int>(decimal.digits.size()) - 1;
  while (at >= 0 && decimal.digits[at] == '9') decimal.digits[at--] = '0';
  if (at >= 0) {
    ++decimal.digits[at];
  } else {
    decimal.digits.insert(decimal.digits.begin(), '1');
    ++decimal.point;
  }
}

char DigitAt(const Decimal& decimal, int index) {
  if (index < 0 || index >= static_cast<int>(decimal.digits.size())) return '0';
  return decimal.digits[index];
}

}  // namespace

std::string FixedPointText(double value, int decimals) {
  if (std::isnan(value)) return "nan";
  std::string text = std::signbit(value) ? "-" : "";
  if (std::isinf(value)) return text + "inf";
  Decimal decimal;  // zero: no digits at all
  if (value != 0) {
    decimal = ExactDecimal(std::fabs(value));
    RoundToDigits(decimal, kSignificantDigits);
    RoundToDigits(decimal, decimal.point + decimals);
  }
  if (decimal.point <= 0) text += '0';
  for (int index = 0; index < decimal.point; ++index) text += DigitAt(decimal, index);
  if (decimals > 0) text += '.';
  for (int index = 0; index < decimals; ++index) text += DigitAt(decimal, decimal.point + index);
  return text;
}

}  // namespace hwident
