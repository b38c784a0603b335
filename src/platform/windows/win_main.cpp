// The Windows program's entry. The program has no window and no console: it
// reads the process command line itself rather than the runtime's copy, so
// the text after the program's name follows one rule on every runtime.
#include "platform/windows/windows_api.h"

#include "app/process_command_line.h"
#include "app/run.h"
#include "platform/platform.h"
#include "platform/windows/com_object_system.h"
#include "platform/windows/message_boxes.h"
#include "platform/windows/win32_files.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  hwident::ComObjectSystem objects;
  hwident::MessageBoxes messages;
  hwident::Win32Files files;
  const hwident::Platform platform{objects, messages, files};
  hwident::RunHwident(platform, hwident::ProcessCommandLine(GetCommandLineA()));
  // The exit code is 0 whatever the run showed.
  return 0;
}
