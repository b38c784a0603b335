#include "platform/windows/message_boxes.h"

#include "platform/windows/windows_api.h"

#include <string>

#include "platform/windows/message_route.h"

namespace hwident {
namespace {

// The caption buffer holds 260 characters (MAX_PATH); a longer path is cut
// there, as the platform cuts it.
constexpr DWORD kCaptionSize = 260;

struct Caption {
  char text[kCaptionSize] = {};
};

Caption ProgramPath() {
  Caption caption;
  GetModuleFileNameA(nullptr, caption.text, kCaptionSize);
  // Older systems leave a path that fills the buffer unterminated.
  caption.text[kCaptionSize - 1] = '\0';
  return caption;
}

MessageRoute CurrentRoute() {
  USEROBJECTFLAGS flags = {};
  DWORD needed = 0;
  HWINSTA station = GetProcessWindowStation();
  const bool read = station != nullptr &&
                    GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof(flags), &needed);
  return ChooseMessageRoute(read, flags.dwFlags);
}

// Debug output reaches a debugger or a capture tool that is running; the
// Application event log keeps the text for whoever looks later.
void LogUnattended(const std::string& line) {
  OutputDebugStringA((line + "\n").c_str());
  HANDLE log = RegisterEventSourceA(nullptr, "hwident");
  if (log == nullptr) return;
  const char* strings[] = {line.c_str()};
  ReportEventA(log, EVENTLOG_WARNING_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
  DeregisterEventSource(log);
}

}  // namespace

void MessageBoxes::ShowAppMessage(const NarrowText& text) {
  const Caption caption = ProgramPath();
  if (CurrentRoute() == MessageRoute::kUnattendedLog) {
    LogUnattended(UnattendedMessageLine(caption.text, text));
    return;
  }
  MessageBoxA(nullptr, text.c_str(), caption.text, MB_OK | MB_ICONEXCLAMATION);
}

void MessageBoxes::ShowPlainMessage(const NarrowText& text) {
  if (CurrentRoute() == MessageRoute::kUnattendedLog) {
    LogUnattended(UnattendedMessageLine(ProgramPath().text, text));
    return;
  }
  MessageBoxA(nullptr, text.c_str(), nullptr, MB_OK);
}

}  // namespace hwident
