#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hwident {

// The first detailed timing of an EDID, which the standard makes the
// panel's preferred (native) mode.
struct EdidTiming {
  int width = 0;
  // Lines of a whole frame: an interlaced timing's two fields together, as
  // the kernel names the mode (1920x1080i) and Windows shows it.
  int height = 0;
  bool interlaced = false;
  // Rounded; fields per second for an interlaced timing, as the kernel's
  // mode list counts them (60 for 1080i); 0 when the timing cannot give one.
  int refreshHz = 0;
};

// What the base block of an EDID says about the monitor.
struct EdidIdentity {
  // Three-letter PNP id, "DEL"; nothing when its codes are not letters.
  std::optional<std::string> maker;
  std::uint16_t product = 0;
  std::optional<std::string> name;  // the "monitor name" descriptor
  std::optional<EdidTiming> preferred;
};

// Reads the 128-byte base block. Nothing unless the block is whole, starts
// with the fixed header and has a valid checksum: an EDID that fails any of
// these is not trusted for anything. A field that cannot be read (a maker
// id that is not letters, an unreadable name) is left out alone.
std::optional<EdidIdentity> ParseEdid(std::string_view bytes);

// DISPLAY\ plus maker and product code as Windows forms the monitor's
// hardware id ("DEL" and 0xA0EC give "DELA0EC"); nothing without a maker.
std::optional<std::string> EdidHardwareId(const EdidIdentity& edid);

}  // namespace hwident
