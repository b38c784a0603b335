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
  int height = 0;
  int refreshHz = 0;  // rounded; 0 when the timing cannot give one
};

// What the base block of an EDID says about the monitor.
struct EdidIdentity {
  std::string maker;  // three-letter PNP id, "DEL"
  std::uint16_t product = 0;
  std::optional<std::string> name;  // the "monitor name" descriptor
  std::optional<EdidTiming> preferred;
};

// Reads the 128-byte base block. Nothing unless the block is whole, starts
// with the fixed header, has a valid checksum and a maker id of letters:
// an EDID that fails any of these is not trusted for anything.
std::optional<EdidIdentity> ParseEdid(std::string_view bytes);

// DISPLAY\ plus maker and product code as Windows forms the monitor's
// hardware id ("DEL" and 0xA0EC give "DELA0EC").
std::string EdidHardwareId(const EdidIdentity& edid);

}  // namespace hwident
