#include "platform/linux/system/program_info.h"

#include <stdio.h>

namespace hwident {
namespace {

// The project's version, set once in the top CMakeLists.txt.
constexpr std::string_view kVersionText = "hwident " HWIDENT_VERSION
                                          "\n"
                                          "Copyright (c) the hwident developers. MIT licence.\n";

constexpr std::string_view kUsageText =
    "Usage: hwident [CLASS;PROPERTY[,PROPERTY...]]...\n"
    "       hwident --version | --help | -h\n"
    "\n"
    "Writes the computer's model, and every property asked for, as lines\n"
    "\"Name = value\" to $Windir/Model.txt (./Model.txt when Windir is unset),\n"
    "replacing that file. Quote each entry for the shell, for example\n"
    "  Windir=/tmp hwident 'Win32_BIOS;Manufacturer,SMBIOSBIOSVersion'\n"
    "Problems are shown on standard error; the exit status is 0.\n"
    "\n"
    "The options count only as the single argument; anywhere else they are\n"
    "entries like any other. See hwident(1).\n";

}  // namespace

std::optional<std::string> ProgramInfoFor(int argc, const char* const* argv) {
  if (argc != 2 || argv[1] == nullptr) return std::nullopt;
  const std::string_view argument = argv[1];
  if (argument == "--version") return std::string(kVersionText);
  if (argument == "--help" || argument == "-h") return std::string(kUsageText);
  return std::nullopt;
}

int PrintProgramInfo(std::string_view text) {
  const bool written = fwrite(text.data(), 1, text.size(), stdout) == text.size();
  // A short write may sit in the buffer until now: only the flush tells.
  const bool flushed = fflush(stdout) == 0;
  return written && flushed ? 0 : 1;
}

}  // namespace hwident
