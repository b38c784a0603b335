// The provider as the core meets it: connection, query grammar, property
// order and the strings it hands out. The enumeration protocol is checked
// by RunQuery on every query any test runs.
#include <gtest/gtest.h>

#include <cctype>

#include "platform/heap/heap_values.h"
#include "platform/linux/provider/service/class_schema.h"
#include "provider_test_support.h"

namespace hwident::test {
namespace {

TEST(ProviderConnection, ServesOnlyRootCimv2InAnyCaseAndReadsNothing) {
  struct Row {
    std::u16string ns;
    bool served;
  } rows[] = {
      {u"\\\\.\\root\\cimv2", true},    {u"\\\\.\\ROOT\\CIMV2", true},
      {u"\\\\.\\Root\\CimV2", true},    {u"root\\cimv2", false},
      {u"\\\\.\\root\\default", false}, {u"", false},
      {u"\\\\.\\root\\cimv2\\", false}, {u"\\\\host\\root\\cimv2", false},
  };
  FixtureProvider provider = MakeFixtureProvider("desktop");
  for (const Row& row : rows) {
    Services* services = nullptr;
    EXPECT_EQ(Connect(*provider.system, &services, row.ns) == 0, row.served)
        << std::string(row.ns.begin(), row.ns.end());
    if (services != nullptr) services->Release();
  }
  EXPECT_TRUE(provider.reader->Opened().empty()) << "connecting must read nothing";
}

TEST(ProviderQuery, AcceptsSelectAllFromAClassInWqlAndNothingElse) {
  struct Row {
    std::u16string language;
    const char* query;
    bool accepted;
  } rows[] = {
      {u"WQL", "select * from Win32_ComputerSystem", true},
      {u"WQL", "SELECT * FROM WIN32_COMPUTERSYSTEM", true},
      {u"wql", "Select * from win32_computersystem", true},
      {u"WQL", "  select\t*\r\n from   Win32_ComputerSystem  ", true},
      {u"WQL", "select*from Win32_ComputerSystem", true},
      {u"WQL", "select Model from Win32_ComputerSystem", false},
      {u"WQL", "select * from Win32_ComputerSystem where Name = 'X'", false},
      {u"WQL", "select * from", false},
      {u"WQL", "select * from Win32_ComputerSystem, Win32_BIOS", false},
      {u"WQL", "selec * from Win32_ComputerSystem", false},
      {u"WQL", "", false},
      {u"WQL", "select * from Win32_NoSuchClass", false},
      {u"SQL", "select * from Win32_ComputerSystem", false},
      {u"", "select * from Win32_ComputerSystem", false},
      {u"WQL2", "select * from Win32_ComputerSystem", false},
  };
  FixtureProvider provider = MakeFixtureProvider("desktop");
  for (const Row& row : rows) {
    Objects objects;
    EXPECT_EQ(RunQuery(*provider.system, row.query, &objects, row.language) == 0, row.accepted)
        << row.query;
    EXPECT_EQ(objects.size(), row.accepted ? 1u : 0u) << row.query;
  }
}

std::string Folded(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// On a fixture and on the machine running the test (whose sysfs no fixture
// imitates exactly): every class answers with every declared property, in
// case-insensitive alphabetical order, and leaves no string behind.
TEST(ProviderObjects, EveryClassHandsOutEveryPropertySortedAndFreesItsStrings) {
  const std::int64_t before = HeapLiveStrings();
  {
    FixtureProvider fixture = MakeFixtureProvider("desktop");
    NativeObjectSystem live("/");
    for (ObjectSystem* system :
         {static_cast<ObjectSystem*>(fixture.system.get()), static_cast<ObjectSystem*>(&live)}) {
      for (const ClassSchema* schema : ProviderClasses()) {
        for (const auto& properties : Query(*system, std::string(schema->name))) {
          ASSERT_EQ(properties.size(), schema->properties.size()) << schema->name;
          for (std::size_t i = 1; i < properties.size(); ++i) {
            EXPECT_LT(Folded(properties[i - 1].name), Folded(properties[i].name)) << schema->name;
          }
        }
      }
    }
  }
  EXPECT_EQ(HeapLiveStrings(), before);
}

}  // namespace
}  // namespace hwident::test
