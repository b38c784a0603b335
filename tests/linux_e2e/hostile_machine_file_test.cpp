// The built program on a machine whose CPU list is hostile: the list is
// bind-mounted over /sys/devices/system/cpu/online in a mount namespace of
// its own, so this needs root (CI runs as root) and is skipped elsewhere.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "program_under_test.h"
#include "temp_directory.h"

namespace hwident {
namespace {

using testing::ReadFile;
using testing::WriteFile;

constexpr const char* kOnline = "/sys/devices/system/cpu/online";
constexpr int kNoNamespace = 97;  // the shell's code when the mount could not be made

// What the program falls back on when the list is refused: the processor
// blocks of /proc/cpuinfo.
int CpuInfoProcessors() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  int count = 0;
  for (std::string line; std::getline(cpuinfo, line);) {
    if (line.compare(0, 9, "processor") == 0) ++count;
  }
  return count;
}

TEST(HostileMachineFile, AnOnlineListPastAnyKernelCostsNoReport) {
  if (::geteuid() != 0) GTEST_SKIP() << "skipped: a bind mount over sysfs needs root";
  if (!std::filesystem::exists(kOnline)) GTEST_SKIP() << "skipped: no " << kOnline << " here";
  std::string ranges;  // 32 KiB of ranges, the same one over and over
  while (ranges.size() < 32 * 1024) ranges += "0-8191,";
  const std::string fallback = std::to_string(CpuInfoProcessors());
  const struct {
    std::string online, count;
  } rows[] = {
      // A list the kernel could print, so the mount is seen to take.
      {"0-2\n", "3"},
      {"9223372036854775807\n", fallback},
      {"0-9223372036854775807\n", fallback},
      {ranges + "\n", fallback},
  };
  for (const auto& row : rows) {
    testing::TempDirectory root;
    const std::string online = root / "online", windir = root / "windows";
    WriteFile(online, row.online);
    std::filesystem::create_directory(windir);
    const std::string command =
        "unshare --mount --propagation private sh -c 'mount --bind " + online + " " + kOnline +
        " 2>/dev/null || exit " + std::to_string(kNoNamespace) + "; Windir=" + windir + " exec " +
        testing::ProgramShellCommand() +
        " \"Win32_ComputerSystem;NumberOfLogicalProcessors\"' </dev/null 2>" + (root / "stderr");
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
    if (WEXITSTATUS(status) == kNoNamespace) GTEST_SKIP() << "skipped: no mount namespace here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << row.online.substr(0, 40);
    EXPECT_EQ(ReadFile(root / "stderr"), "");
    const std::string report = ReadFile(windir + "/Model.txt");
    EXPECT_NE(report.find("\r\nNumberOfLogicalProcessors = " + row.count + " (0x"),
              std::string::npos)
        << row.online.substr(0, 40) << " gave\n"
        << report;
  }
}

}  // namespace
}  // namespace hwident
