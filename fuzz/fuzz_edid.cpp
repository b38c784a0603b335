#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/linux/provider/sources/display/edid.h"

// A block the parser accepts names a maker of three capital letters or
// none, a printable monitor name without blanks at its end, and a timing of
// sane size (an interlaced one counts two fields of at most 4095 lines);
// anything it reads stays inside the bytes given.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto edid = hwident::ParseEdid(bytes);
  if (!edid) return 0;
  if (size < 128) std::abort();
  if (edid->maker) {
    if (edid->maker->size() != 3) std::abort();
    for (const char c : *edid->maker) {
      if (c < 'A' || c > 'Z') std::abort();
    }
  }
  if (edid->name) {
    if (edid->name->empty() || edid->name->size() > 13 || edid->name->back() == ' ') std::abort();
    for (const char c : *edid->name) {
      if (c < 0x20 || c > 0x7E) std::abort();
    }
  }
  if (edid->preferred) {
    const auto& t = *edid->preferred;
    const int maxHeight = t.interlaced ? 2 * 4095 : 4095;
    if (t.width < 1 || t.width > 4095 || t.height < 1 || t.height > maxHeight ||
        (t.interlaced && t.height % 2 != 0) || t.refreshHz < 0) {
      std::abort();
    }
  }
  const auto id = hwident::EdidHardwareId(*edid);
  if (id.has_value() != edid->maker.has_value() || (id && id->size() != 15)) std::abort();
  return 0;
}
