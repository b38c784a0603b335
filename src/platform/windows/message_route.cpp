#include "platform/windows/message_route.h"

namespace hwident {

MessageRoute ChooseMessageRoute(bool stationFlagsRead, std::uint32_t stationFlags) {
  if (stationFlagsRead && (stationFlags & kStationVisible) == 0) {
    return MessageRoute::kUnattendedLog;
  }
  return MessageRoute::kMessageBox;
}

std::string UnattendedMessageLine(std::string_view program, std::string_view text) {
  std::string line;
  line.reserve(program.size() + text.size() + 2);
  line.append(program).append(": ").append(text);
  return line;
}

}  // namespace hwident
