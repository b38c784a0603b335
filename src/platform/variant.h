#pragma once

#include <cstdint>

#include "platform/wide_text.h"

namespace hwident {

// A counted wide string handed across the service seam: a BSTR on Windows,
// a heap block with the same layout elsewhere. Always zero-terminated; may be
// null. Whoever receives one frees it through ObjectSystem::FreeString.
using CountedString = WideChar*;

// The variant type tags the service delivers values in (the automation
// standard's numbering; VT_ARRAY is a flag combined with the element tag).
namespace vt {
inline constexpr std::uint16_t kEmpty = 0;
inline constexpr std::uint16_t kNull = 1;
inline constexpr std::uint16_t kI2 = 2;
inline constexpr std::uint16_t kI4 = 3;
inline constexpr std::uint16_t kR4 = 4;
inline constexpr std::uint16_t kR8 = 5;
inline constexpr std::uint16_t kCy = 6;
inline constexpr std::uint16_t kDate = 7;
inline constexpr std::uint16_t kBstr = 8;
inline constexpr std::uint16_t kDispatch = 9;
inline constexpr std::uint16_t kError = 10;
inline constexpr std::uint16_t kBool = 11;
inline constexpr std::uint16_t kUi1 = 17;
inline constexpr std::uint16_t kArray = 0x2000;
}  // namespace vt

inline constexpr std::int16_t kVariantTrue = -1;
inline constexpr std::int16_t kVariantFalse = 0;

// A tagged value, shaped like the platform's VARIANT: a type tag and one
// payload read according to it. The payload is owned by the variant until
// ObjectSystem::ClearValue releases it (the string of a kBstr, the array
// of a kArray combination, the object of a kDispatch).
struct Variant {
  std::uint16_t type = vt::kEmpty;
  union {
    std::int16_t i2;
    std::int32_t i4;
    float r4;
    double r8;
    std::int16_t boolean;  // kVariantTrue or kVariantFalse
    std::uint8_t ui1;
    CountedString bstr;
    void* array;     // backend-defined array block (SAFEARRAY on Windows)
    void* dispatch;  // backend-defined object
    std::int64_t bits = 0;
  };
};

}  // namespace hwident
