// The command-line builders: from an argument list (the Linux start-up) and
// from the process's whole command line (the Windows one). Both must give a
// tail of the text they were handed that starts with no blank.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line_from_arguments.h"
#include "app/process_command_line.h"

namespace {

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

// Input: the arguments, NUL between them (the first is the program's name);
// the same bytes are the whole command line for the second builder.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> arguments;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = std::min(input.find('\0', start), input.size());
    arguments.emplace_back(input.substr(start, end - start));
    if (end == input.size()) break;
    start = end + 1;
  }
  std::vector<const char*> argv;
  std::string joined;
  for (const std::string& argument : arguments) {
    if (!argv.empty()) joined += (argv.size() > 1 ? " " : "") + argument;
    argv.push_back(argument.c_str());
  }
  argv.push_back(nullptr);
  const std::string line =
      hwident::CommandLineFromArguments(static_cast<int>(arguments.size()), argv.data());
  if (!EndsWith(joined, line)) std::abort();
  if (!line.empty() && static_cast<unsigned char>(line.front()) <= 0x20) std::abort();

  const std::string_view tail = hwident::ProcessCommandLine(input);
  if (tail.data() + tail.size() != input.data() + input.size()) std::abort();
  if (!tail.empty() && tail.front() != '\0' && static_cast<unsigned char>(tail.front()) <= 0x20) {
    std::abort();
  }
  return 0;
}
