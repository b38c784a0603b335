// The Linux program: the native provider answers for the management service,
// messages go to standard error and the report to $Windir/Model.txt.
#include "app/command_line_from_arguments.h"
#include "app/run.h"
#include "platform/linux/provider/service/native_object_system.h"
#include "platform/linux/system/console_message_display.h"
#include "platform/linux/system/linux_file_services.h"
#include "platform/linux/system/program_info.h"

int main(int argc, char** argv) {
  if (const auto info = hwident::ProgramInfoFor(argc, argv))
    return hwident::PrintProgramInfo(*info);
  hwident::NativeObjectSystem objects("/");
  hwident::ConsoleMessageDisplay messages = hwident::ConsoleMessageDisplay::ForProcess();
  hwident::LinuxFileServices files;
  const hwident::Platform platform{objects, messages, files};
  return hwident::RunHwident(platform, hwident::CommandLineFromArguments(argc, argv));
}
