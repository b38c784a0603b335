#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/linux/provider/sources/edid.h"

// A block the parser accepts names a maker of three capital letters and a
// printable monitor name, and has a timing of sane size; anything it reads
// stays inside the bytes given.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto edid = hwident::ParseEdid(bytes);
  if (!edid) return 0;
  if (size < 128 || edid->maker.size() != 3) std::abort();
  for (const char c : edid->maker) {
    if (c < 'A' || c > 'Z') std::abort();
  }
  if (edid->name) {
    if (edid->name->empty() || edid->name->size() > 13) std::abort();
    for (const char c : *edid->name) {
      if (c < 0x20 || c > 0x7E) std::abort();
    }
  }
  if (edid->preferred) {
    const auto& t = *edid->preferred;
    if (t.width < 1 || t.width > 4095 || t.height < 1 || t.height > 4095 || t.refreshHz < 0) {
      std::abort();
    }
  }
  if (hwident::EdidHardwareId(*edid).size() != 15) std::abort();
  return 0;
}
