// Each fixture machine must give exactly its recorded report for one fixed
// command line: the built-in model request, then one request per class
// naming every property the class has. HWIDENT_REGENERATE=1 rewrites the
// recorded reports after a deliberate change.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

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

// The object system as the management service behaves: told which
// properties will be printed, it computes every one all the same.
class ComputesEverything final : public ObjectSystem {
 public:
  explicit ComputesEverything(ObjectSystem& inner) : inner_(inner) {}
  ResultCode InitializeApartment() override { return inner_.InitializeApartment(); }
  ResultCode InitializeSecurity() override { return inner_.InitializeSecurity(); }
  ResultCode CreateLocator(Locator** locator) override { return inner_.CreateLocator(locator); }
  CountedString AllocString(const WideChar* text) override { return inner_.AllocString(text); }
  CountedString AllocStringLen(const WideChar* text, std::uint32_t length) override {
    return inner_.AllocStringLen(text, length);
  }
  void FreeString(CountedString text) override { inner_.FreeString(text); }
  void ClearValue(Variant* value) override { inner_.ClearValue(value); }

 private:
  ObjectSystem& inner_;
};

// The lines one request gives.
std::vector<std::string> Lines(ObjectSystem& objects, Services* services, const std::string& query,
                               const std::string& list) {
  g_reportLines.clear();
  CollectProperties(ServiceConnection{objects, services}, query, list);
  std::vector<std::string> lines(g_reportLines.begin(), g_reportLines.end());
  g_reportLines.clear();
  return lines;
}

// A request computes only the properties it prints, yet each property
// alone reads exactly as it does among all the others, and a list naming it
// in another letter case too prints what a service computing everything
// prints.
TEST_P(FixtureReport, EachPropertyAloneReadsAsAmongAllTheOthers) {
  FixtureProvider provider = MakeFixtureProvider(GetParam());
  ComputesEverything everything(*provider.system);
  Services* services = nullptr;
  ASSERT_EQ(Connect(*provider.system, &services), 0);
  for (const ClassSchema* schema : ProviderClasses()) {
    const std::string query = "Select * from " + std::string(schema->name);
    const std::vector<std::string> all = Lines(everything, services, query, PropertyList(*schema));
    for (const PropertySchema& property : schema->properties) {
      const std::string name(property.name);
      std::vector<std::string> expected;
      for (const std::string& line : all) {
        if (line.compare(0, name.size() + 3, name + " = ") == 0) expected.push_back(line);
      }
      EXPECT_EQ(Lines(*provider.system, services, query, name), expected) << query << " " << name;
      std::string lower = name;
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      const std::string list = lower + "," + name;
      EXPECT_EQ(Lines(*provider.system, services, query, list),
                Lines(everything, services, query, list))
          << query << " " << list;
    }
  }
  services->Release();
}

INSTANTIATE_TEST_SUITE_P(Machines, FixtureReport, testing::ValuesIn(kMachines));

}  // namespace
}  // namespace hwident::test
