// Where Wine's management service and this provider read the same machine,
// they must agree. Runs Wine's wmic when Wine is installed; skipped without.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include "platform/linux/provider/native_object_system.h"
#include "provider_test_support.h"

namespace hwident::test {
namespace {

bool WineInstalled() {
  std::istringstream path(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "");
  std::string directory;
  while (std::getline(path, directory, ':')) {
    if (::access((directory + "/wine").c_str(), X_OK) == 0) return true;
  }
  return false;
}

// wmic writes UTF-16LE; these columns are ASCII, so the high bytes go.
std::string RunWmic(const std::string& arguments) {
  const char* tmp = std::getenv("TMPDIR");
  const std::string prefix = std::string(tmp != nullptr ? tmp : "/tmp") + "/hwident-wineprefix-" +
                             std::to_string(::getuid());
  const std::string command = "WINEDEBUG=-all WINEPREFIX=" + prefix + " timeout 600 wine wmic " +
                              arguments + " 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  std::string bytes;
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) bytes.append(buffer, got);
  ::pclose(pipe);
  std::string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const unsigned code =
        static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
    if (code == 0xFEFF || code == '\r') continue;
    text += code < 0x80 ? static_cast<char>(code) : '?';
  }
  return text;
}

// wmic's table: a header naming the columns, then one line per object.
// Wine's header and rows do not line up (two names may even run together),
// so the columns are taken in header order, every column after the first
// holding one word: the first column gets what is left (a name may have
// blanks).
std::vector<std::map<std::string, std::string>> ParseTable(const std::string& text,
                                                           const std::vector<std::string>& names) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  std::string line;
  while (std::getline(stream, line)) {
    if (line.find_first_not_of(' ') != std::string::npos) lines.push_back(line);
  }
  std::vector<std::map<std::string, std::string>> rows;
  if (lines.empty()) return rows;
  std::vector<std::pair<std::size_t, std::string>> columns;
  for (const std::string& name : names) {
    const std::size_t start = lines.front().find(name);
    if (start != std::string::npos) columns.emplace_back(start, name);
  }
  std::sort(columns.begin(), columns.end());
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::istringstream words(lines[i]);
    std::vector<std::string> tokens;
    std::string word;
    while (words >> word) tokens.push_back(word);
    if (columns.empty() || tokens.size() < columns.size()) continue;
    std::map<std::string, std::string> row;
    const std::size_t rest = tokens.size() - (columns.size() - 1);
    for (std::size_t t = 0; t < rest; ++t) row[columns[0].second] += (t ? " " : "") + tokens[t];
    for (std::size_t c = 1; c < columns.size(); ++c) row[columns[c].second] = tokens[rest + c - 1];
    rows.push_back(row);
  }
  return rows;
}

std::string Unquoted(std::string text) {
  if (text.size() >= 2 && text.front() == '"') text = text.substr(1, text.size() - 2);
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

std::string Number(const std::string& rendered) {
  return rendered.substr(0, rendered.find(' '));
}

// The CPU's own brand string; the kernel prints the same one unless /proc is
// synthesised (as in some sandboxes), when the two sources see different
// machines and names cannot be compared.
std::string CpuidBrand() {
#if defined(__x86_64__) || defined(__i386__)
  unsigned regs[12] = {};
  for (unsigned leaf = 0; leaf < 3; ++leaf) {
    if (__get_cpuid(0x80000002 + leaf, &regs[leaf * 4], &regs[leaf * 4 + 1], &regs[leaf * 4 + 2],
                    &regs[leaf * 4 + 3]) == 0) {
      return {};
    }
  }
  std::string brand(reinterpret_cast<const char*>(regs), sizeof regs);
  brand.erase(brand.find('\0') == std::string::npos ? brand.size() : brand.find('\0'));
  brand.erase(0, brand.find_first_not_of(' '));
  brand.erase(brand.find_last_not_of(' ') + 1);
  return brand;
#else
  return {};
#endif
}

TEST(WineAgreement, ProcessorNameAndCountsMatchWinesService) {
  if (!WineInstalled()) GTEST_SKIP() << "Wine is not installed";
  const auto wine = ParseTable(RunWmic("cpu get Name,NumberOfCores,NumberOfLogicalProcessors"),
                               {"Name", "NumberOfCores", "NumberOfLogicalProcessors"});
  ASSERT_FALSE(wine.empty()) << "wmic gave no processor";
  NativeObjectSystem system("/");
  std::vector<std::vector<SeenProperty>> ours;
  ASSERT_EQ(RunQuery(system, "select * from Win32_Processor", &ours), 0);
  ASSERT_EQ(ours.size(), wine.size());
  for (std::size_t i = 0; i < ours.size(); ++i) {
    EXPECT_EQ(Number(ValueOf(ours, "NumberOfCores", i)), wine[i].at("NumberOfCores"));
    EXPECT_EQ(Number(ValueOf(ours, "NumberOfLogicalProcessors", i)),
              wine[i].at("NumberOfLogicalProcessors"));
    // Wine trims the brand string; Windows and this provider keep its blanks.
    const std::string name = Unquoted(ValueOf(ours, "Name", i));
    if (name == CpuidBrand()) {
      EXPECT_EQ(name, wine[i].at("Name"));
    } else {
      std::printf("note: /proc/cpuinfo names \"%s\", the CPU itself \"%s\"; names not compared\n",
                  name.c_str(), CpuidBrand().c_str());
    }
  }
}

TEST(WineAgreement, HostNameProcessorsAndMemoryMatchWinesService) {
  if (!WineInstalled()) GTEST_SKIP() << "Wine is not installed";
  const auto wine =
      ParseTable(RunWmic("computersystem get Name,NumberOfLogicalProcessors,TotalPhysicalMemory"),
                 {"Name", "NumberOfLogicalProcessors", "TotalPhysicalMemory"});
  ASSERT_EQ(wine.size(), 1u) << "wmic gave no computer system";
  NativeObjectSystem system("/");
  std::vector<std::vector<SeenProperty>> ours;
  ASSERT_EQ(RunQuery(system, "select * from Win32_ComputerSystem", &ours), 0);
  EXPECT_EQ(Unquoted(ValueOf(ours, "Name")), wine[0].at("Name"));
  EXPECT_EQ(Number(ValueOf(ours, "NumberOfLogicalProcessors")),
            wine[0].at("NumberOfLogicalProcessors"));
  // Wine counts whole pages of what the kernel reports; MemTotal may differ
  // from it by the last, partly counted page.
  const long long memory = std::stoll(Unquoted(ValueOf(ours, "TotalPhysicalMemory")));
  const long long wineMemory = std::stoll(wine[0].at("TotalPhysicalMemory"));
  EXPECT_LE(std::llabs(memory - wineMemory), 4096) << memory << " vs " << wineMemory;
}

}  // namespace
}  // namespace hwident::test
