#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "collect/variant_to_text.h"

// Input: a type tag and eight payload bytes (no string or array tags: their
// payload is a pointer). Every text but a string's stays within 31
// characters.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 10) return 0;
  hwident::Variant value;
  std::memcpy(&value.type, data, sizeof value.type);
  if (value.type == hwident::vt::kBstr || (value.type & hwident::vt::kArray) != 0) return 0;
  std::memcpy(&value.bits, data + 2, sizeof value.bits);
  const auto text = hwident::VariantToText(value);
  if (text && text->size() > 31) std::abort();
  return 0;
}
