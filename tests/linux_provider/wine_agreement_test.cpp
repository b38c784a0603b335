// Where Wine's management service and this provider read the same machine,
// they must agree. Runs Wine's wmic when Wine is installed; skipped without.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include "platform/linux/provider/native_object_system.h"
#include "provider_test_support.h"

namespace hwident::test {
namespace {

std::string Trimmed(std::string text) {
  text.erase(0, text.find_first_not_of(" \r\n"));
  text.erase(text.find_last_not_of(" \r\n") + 1);
  return text;
}

// One column as wmic prints it (in UTF-16): a header line, then one line per
// object.
std::vector<std::string> WineColumn(const std::string& alias, const std::string& property) {
  const std::string command = "WINEDEBUG=-all WINEPREFIX=/tmp/hwident-wineprefix-" +
                              std::to_string(::getuid()) + " timeout 600 wine wmic " + alias +
                              " get " + property + " 2>/dev/null | iconv -f UTF-16LE -t UTF-8";
  std::vector<std::string> values;
  FILE* pipe = ::popen(command.c_str(), "r");
  char line[4096];
  while (pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr) {
    if (!Trimmed(line).empty()) values.push_back(Trimmed(line));
  }
  if (pipe != nullptr) ::pclose(pipe);
  if (!values.empty()) values.erase(values.begin());  // the header
  return values;
}

// The CPU's own brand string, which Wine reports. The kernel prints the same
// one unless /proc is synthesised (as in some sandboxes); then the two
// sources see different machines and names cannot be compared.
std::string CpuidBrand() {
#if defined(__x86_64__) || defined(__i386__)
  unsigned regs[13] = {};
  for (unsigned leaf = 0; leaf < 3; ++leaf) {
    unsigned* r = &regs[leaf * 4];
    if (__get_cpuid(0x80000002 + leaf, &r[0], &r[1], &r[2], &r[3]) == 0) return {};
  }
  return Trimmed(reinterpret_cast<const char*>(regs));
#else
  return {};
#endif
}

TEST(WineAgreement, ProcessorHostNameAndMemoryMatchWinesService) {
  if (std::system("command -v wine >/dev/null 2>&1") != 0) GTEST_SKIP() << "Wine is not installed";
  struct Row {
    const char* alias;
    const char* className;
    const char* property;
    long long tolerance;  // for numbers
  } rows[] = {
      {"cpu", "Win32_Processor", "NumberOfCores", 0},
      {"cpu", "Win32_Processor", "NumberOfLogicalProcessors", 0},
      {"cpu", "Win32_Processor", "Name", 0},
      {"computersystem", "Win32_ComputerSystem", "Name", 0},
      {"computersystem", "Win32_ComputerSystem", "NumberOfLogicalProcessors", 0},
      // Wine counts whole pages of what the kernel reports; MemTotal may
      // differ from it by the last, partly counted page.
      {"computersystem", "Win32_ComputerSystem", "TotalPhysicalMemory", 4096},
  };
  NativeObjectSystem system("/");
  for (const Row& row : rows) {
    const std::vector<std::string> wine = WineColumn(row.alias, row.property);
    const Objects ours = Query(system, row.className);
    ASSERT_EQ(ours.size(), wine.size()) << row.className << "." << row.property;
    for (std::size_t i = 0; i < ours.size(); ++i) {
      // Strings lose their quotes and, as Wine trims them, their blanks;
      // numbers keep their decimal part.
      std::string value = ValueOf(ours, row.property, i);
      value = value[0] == '"' ? Trimmed(value.substr(1, value.size() - 2))
                              : value.substr(0, value.find(' '));
      if (row.tolerance != 0) {
        EXPECT_LE(std::llabs(std::stoll(value) - std::stoll(wine[i])), row.tolerance)
            << value << " vs " << wine[i];
      } else if (std::string(row.alias) == "cpu" && std::string(row.property) == "Name" &&
                 value != CpuidBrand()) {
        std::printf("note: /proc/cpuinfo names \"%s\", the CPU itself \"%s\"; not compared\n",
                    value.c_str(), CpuidBrand().c_str());
      } else {
        EXPECT_EQ(value, wine[i]) << row.className << "." << row.property;
      }
    }
  }
}

}  // namespace
}  // namespace hwident::test
