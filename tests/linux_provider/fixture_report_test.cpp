// Each fixture machine must give exactly its recorded report for one fixed
// command line: the built-in model request, then one request per class
// naming every property the class has. HWIDENT_REGENERATE=1 rewrites the
// recorded reports after a deliberate change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "collect/collect_properties.h"
#include "collect/report_lines.h"
#include "platform/linux/provider/class_schema.h"
#include "provider_test_support.h"

namespace hwident::test {
namespace {

std::string PropertyList(const ClassSchema& schema) {
  std::string list;
  for (const PropertySchema& property : schema.properties) {
    if (!list.empty()) list += ",";
    list += property.name;
  }
  return list;
}

// The report's bytes: lines ended CR LF, as the report file holds them.
std::string Report(const std::string& machine) {
  FixtureProvider provider = MakeFixtureProvider(machine);
  ObjectSystem& system = *provider.system;
  Locator* locator = nullptr;
  EXPECT_EQ(system.CreateLocator(&locator), 0);
  CountedString ns = system.AllocString(u"\\\\.\\root\\cimv2");
  Services* services = nullptr;
  EXPECT_EQ(locator->ConnectServer(ns, 0, &services), 0);
  system.FreeString(ns);
  locator->Release();
  const ServiceConnection connection{system, services};
  g_reportLines.clear();
  CollectProperties(connection, "select * from Win32_ComputerSystem", "Model");
  for (const ClassSchema* schema : ProviderClasses()) {
    CollectProperties(connection, "Select * from " + std::string(schema->name),
                      PropertyList(*schema));
  }
  services->Release();
  std::string report;
  for (const NarrowText& line : g_reportLines) report += line + "\r\n";
  g_reportLines.clear();
  return report;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class FixtureReport : public testing::TestWithParam<const char*> {};

TEST_P(FixtureReport, MatchesTheRecordedReportByteForByte) {
  const std::string machine = GetParam();
  const std::string path = FixtureDirectory(machine) + "/expected-report.txt";
  const std::string report = Report(machine);
  const char* regenerate = std::getenv("HWIDENT_REGENERATE");
  if (regenerate != nullptr && std::string(regenerate) == "1") {
    std::ofstream(path, std::ios::binary) << report;
  }
  const std::string expected = ReadFile(path);
  ASSERT_FALSE(expected.empty()) << "no recorded report at " << path;
  EXPECT_EQ(report, expected);
}

INSTANTIATE_TEST_SUITE_P(Machines, FixtureReport,
                         testing::Values("desktop", "server", "vm", "raspberrypi", "container"));

}  // namespace
}  // namespace hwident::test
