#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hwident {

// How a message reaches a person. Deployment tools start programs as SYSTEM
// in a non-interactive window station, where nobody can see or dismiss a box
// and a modal message would hold the run for ever; there the text goes to
// the debug output and the event log instead and the run goes on at once.
enum class MessageRoute {
  kMessageBox,
  kUnattendedLog,
};

// The window station's visible flag (WSF_VISIBLE in the station's UOI_FLAGS).
inline constexpr std::uint32_t kStationVisible = 0x0001;

// stationFlagsRead: whether the process's window station and its flags could
// be read at all. Only a station known to be invisible avoids the box; when
// nothing is known the box is shown, as everywhere else.
MessageRoute ChooseMessageRoute(bool stationFlagsRead, std::uint32_t stationFlags);

// The line logged for an unattended message: the program's path (the box's
// caption, or the program when the box has none), a colon and the text, so an
// administrator reading the log can tell which program spoke.
std::string UnattendedMessageLine(std::string_view program, std::string_view text);

}  // namespace hwident
