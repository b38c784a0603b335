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
#include "platform/linux/provider/service/class_schema.h"
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
  Services* services = nullptr;
  if (Connect(*provider.system, &services) != 0) return "no connection";
  const ServiceConnection connection{*provider.system, services};
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

class FixtureReport : public testing::TestWithParam<const char*> {};

TEST_P(FixtureReport, MatchesTheRecordedReportByteForByte) {
  const std::string machine = GetParam();
  const std::string path = FixtureDirectory(machine) + "/expected-report.txt";
  const std::string report = Report(machine);
  const char* regenerate = std::getenv("HWIDENT_REGENERATE");
  if (regenerate != nullptr && std::string(regenerate) == "1") {
    std::ofstream(path, std::ios::binary) << report;
  }
  std::ostringstream expected;
  expected << std::ifstream(path, std::ios::binary).rdbuf();
  ASSERT_FALSE(expected.str().empty()) << "no recorded report at " << path;
  EXPECT_EQ(report, expected.str());
}

INSTANTIATE_TEST_SUITE_P(Machines, FixtureReport, testing::ValuesIn(kMachines));

}  // namespace
}  // namespace hwident::test
