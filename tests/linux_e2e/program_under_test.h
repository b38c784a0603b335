// The program the end-to-end tests run. A cross build's tests run under the
// emulator its CTest runs them with (qemu-user for ARM); the program they
// start as a child must then go through the same emulator, since the host
// kernel cannot run it alone.
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace hwident::testing {

// The emulator's words (none in a native build), then the program.
inline std::vector<std::string> ProgramCommand() {
  std::vector<std::string> words;
  std::istringstream launcher(HWIDENT_PROGRAM_LAUNCHER);
  for (std::string word; launcher >> word;) words.push_back(word);
  words.push_back(HWIDENT_PROGRAM);
  return words;
}

// The same for a shell command line, each word quoted.
inline std::string ProgramShellCommand() {
  std::string command;
  for (const std::string& word : ProgramCommand()) {
    command += (command.empty() ? "'" : " '") + word + "'";
  }
  return command;
}

}  // namespace hwident::testing
