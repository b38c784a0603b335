// The Linux program: the native provider answers for the management service,
// messages go to standard error and the report to $Windir/Model.txt.
#include <csignal>

#include "app/command_line_from_arguments.h"
#include "app/run.h"
#include "platform/linux/provider/service/native_object_system.h"
#include "platform/linux/system/console_message_display.h"
#include "platform/linux/system/linux_file_services.h"
#include "platform/linux/system/program_info.h"

int main(int argc, char** argv) {
  if (const auto info = hwident::ProgramInfoFor(argc, argv))
    return hwident::PrintProgramInfo(*info);
  // A closed pipe on standard error or a file-size limit must fail the write
  // in hand, not end the run: the report, or the previous one, must survive.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  hwident::NativeObjectSystem objects("/");
  hwident::ConsoleMessageDisplay messages = hwident::ConsoleMessageDisplay::ForProcess();
  hwident::LinuxFileServices files;
  const hwident::Platform platform{objects, messages, files};
  return hwident::RunHwident(platform, hwident::CommandLineFromArguments(argc, argv));
}
