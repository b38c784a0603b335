// The provider as the core meets it: connection, query grammar, property
// order and the files a query reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "platform/heap/heap_values.h"
#include "platform/linux/provider/class_schema.h"
#include "provider_test_support.h"

namespace hwident::test {
namespace {

int Connect(ObjectSystem& system, const std::u16string& ns) {
  Locator* locator = nullptr;
  EXPECT_EQ(system.CreateLocator(&locator), 0);
  CountedString text = system.AllocStringLen(ns.data(), ns.size());
  Services* services = nullptr;
  const int result = locator->ConnectServer(text, 0, &services);
  system.FreeString(text);
  locator->Release();
  EXPECT_EQ(result == 0, services != nullptr);
  if (services != nullptr) services->Release();
  return result;
}

TEST(ProviderConnection, ServesOnlyRootCimv2InAnyCase) {
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
    const int result = Connect(*provider.system, row.ns);
    EXPECT_EQ(result == 0, row.served) << std::string(row.ns.begin(), row.ns.end());
  }
  EXPECT_TRUE(provider.reader->Opened().empty()) << "connecting must read nothing";
}

TEST(ProviderQuery, AcceptsSelectAllFromAClassAndNothingElse) {
  struct Row {
    const char* query;
    bool accepted;
  } rows[] = {
      {"select * from Win32_ComputerSystem", true},
      {"SELECT * FROM WIN32_COMPUTERSYSTEM", true},
      {"Select * from win32_computersystem", true},
      {"  select\t*\r\n from   Win32_ComputerSystem  ", true},
      {"select *from Win32_ComputerSystem", true},
      {"select*from Win32_ComputerSystem", true},
      {"select Model from Win32_ComputerSystem", false},
      {"select * from Win32_ComputerSystem where Name = 'X'", false},
      {"select * from", false},
      {"select * from Win32_ComputerSystem, Win32_BIOS", false},
      {"select * from Win32_Computer-System", false},
      {"selec * from Win32_ComputerSystem", false},
      {"select ** from Win32_ComputerSystem", false},
      {"", false},
      {"select * from Win32_NoSuchClass", false},
  };
  FixtureProvider provider = MakeFixtureProvider("desktop");
  for (const Row& row : rows) {
    std::vector<std::vector<SeenProperty>> objects;
    const int result = RunQuery(*provider.system, row.query, &objects);
    EXPECT_EQ(result == 0, row.accepted) << row.query;
    EXPECT_EQ(objects.size(), row.accepted ? 1u : 0u) << row.query;
  }
}

TEST(ProviderQuery, RefusesLanguagesOtherThanWql) {
  FixtureProvider provider = MakeFixtureProvider("desktop");
  ObjectSystem& system = *provider.system;
  Locator* locator = nullptr;
  ASSERT_EQ(system.CreateLocator(&locator), 0);
  CountedString ns = system.AllocString(u"\\\\.\\root\\cimv2");
  Services* services = nullptr;
  ASSERT_EQ(locator->ConnectServer(ns, 0, &services), 0);
  system.FreeString(ns);
  locator->Release();
  CountedString query = system.AllocString(u"select * from Win32_ComputerSystem");
  for (const char16_t* language : {u"SQL", u"", u"WQL2"}) {
    CountedString text = system.AllocString(language);
    ObjectEnumerator* enumerator = nullptr;
    EXPECT_NE(services->ExecQuery(text, query, 0, &enumerator), 0);
    EXPECT_EQ(enumerator, nullptr);
    system.FreeString(text);
  }
  system.FreeString(query);
  services->Release();
}

TEST(ProviderModel, ComesFromDmiElseTheDeviceTreeElseIsNull) {
  struct Row {
    const char* machine;
    const char* model;
  } rows[] = {
      {"desktop", "\"NW-D450 Desktop\""},
      {"raspberrypi", "\"Raspberry Pi 4 Model B Rev 1.4\""},
      {"container", "<null>"},
  };
  for (const Row& row : rows) {
    FixtureProvider provider = MakeFixtureProvider(row.machine);
    std::vector<std::vector<SeenProperty>> objects;
    ASSERT_EQ(RunQuery(*provider.system, "select * from Win32_ComputerSystem", &objects), 0);
    EXPECT_EQ(ValueOf(objects, "Model"), row.model) << row.machine;
  }
}

TEST(ProviderModel, AModelQueryOpensAHandfulOfFilesAndNoOtherClassesSources) {
  FixtureProvider provider = MakeFixtureProvider("server");
  std::vector<std::vector<SeenProperty>> objects;
  ASSERT_EQ(RunQuery(*provider.system, "select * from Win32_ComputerSystem", &objects), 0);
  const std::vector<std::string>& opened = provider.reader->Opened();
  EXPECT_LE(opened.size(), 16u);
  for (const std::string& path : opened) {
    EXPECT_EQ(path.find("/sys/block"), std::string::npos) << path;
    EXPECT_EQ(path.find("os-release"), std::string::npos) << path;
    EXPECT_EQ(path.find("bios_"), std::string::npos) << path;
    EXPECT_EQ(path.find("serial"), std::string::npos) << path;
  }
  // Each file is read once however many properties use it.
  std::vector<std::string> sorted = opened;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
}

std::string Folded(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

TEST(ProviderOrder, EveryClassHandsOutItsPropertiesCaseInsensitivelySorted) {
  FixtureProvider provider = MakeFixtureProvider("desktop");
  for (const ClassSchema* schema : ProviderClasses()) {
    std::vector<std::vector<SeenProperty>> objects;
    ASSERT_EQ(RunQuery(*provider.system, "select * from " + std::string(schema->name), &objects),
              0);
    for (const auto& properties : objects) {
      ASSERT_EQ(properties.size(), schema->properties.size()) << schema->name;
      for (std::size_t i = 1; i < properties.size(); ++i) {
        EXPECT_LT(Folded(properties[i - 1].name), Folded(properties[i].name)) << schema->name;
      }
    }
  }
}

TEST(ProviderObjects, WalkFreesEveryStringItMade) {
  const std::int64_t before = HeapLiveStrings();
  {
    FixtureProvider provider = MakeFixtureProvider("desktop");
    for (const ClassSchema* schema : ProviderClasses()) {
      std::vector<std::vector<SeenProperty>> objects;
      RunQuery(*provider.system, "select * from " + std::string(schema->name), &objects);
    }
  }
  EXPECT_EQ(HeapLiveStrings(), before);
}

TEST(ProviderObjects, NextBeforeBeginEnumerationAndAfterTheLastPropertyFails) {
  FixtureProvider provider = MakeFixtureProvider("container");
  ObjectSystem& system = *provider.system;
  Locator* locator = nullptr;
  ASSERT_EQ(system.CreateLocator(&locator), 0);
  CountedString ns = system.AllocString(u"\\\\.\\root\\cimv2");
  Services* services = nullptr;
  ASSERT_EQ(locator->ConnectServer(ns, 0, &services), 0);
  system.FreeString(ns);
  locator->Release();
  CountedString language = system.AllocString(u"WQL");
  CountedString query = system.AllocString(u"select * from Win32_ComputerSystem");
  ObjectEnumerator* enumerator = nullptr;
  ASSERT_EQ(services->ExecQuery(language, query, 0, &enumerator), 0);
  ClassObject* objects[2] = {};
  std::uint32_t returned = 0;
  // Asking for two objects of a one-object class gives one and "fewer".
  EXPECT_EQ(enumerator->Next(-1, 2, objects, &returned), 1);
  ASSERT_EQ(returned, 1u);
  CountedString name = nullptr;
  Variant value;
  EXPECT_NE(objects[0]->Next(0, &name, &value), 0);
  ASSERT_EQ(objects[0]->BeginEnumeration(0x40), 0);
  int count = 0;
  while (objects[0]->Next(0, &name, &value) == 0) {
    ++count;
    system.FreeString(name);
    system.ClearValue(&value);
  }
  EXPECT_GT(count, 0);
  EXPECT_NE(objects[0]->Next(0, &name, &value), 0);
  objects[0]->EndEnumeration();
  objects[0]->Release();
  EXPECT_EQ(enumerator->Next(-1, 1, objects, &returned), 1);
  EXPECT_EQ(returned, 0u);
  enumerator->Release();
  system.FreeString(language);
  system.FreeString(query);
  services->Release();
}

TEST(LiveMachine, EveryClassAnswersWithEveryPropertyOnThisMachine) {
  NativeObjectSystem system("/");
  for (const ClassSchema* schema : ProviderClasses()) {
    std::vector<std::vector<SeenProperty>> objects;
    ASSERT_EQ(RunQuery(system, "select * from " + std::string(schema->name), &objects), 0)
        << schema->name;
    for (const auto& properties : objects) {
      EXPECT_EQ(properties.size(), schema->properties.size()) << schema->name;
    }
  }
  std::vector<std::vector<SeenProperty>> computer;
  ASSERT_EQ(RunQuery(system, "select * from Win32_ComputerSystem", &computer), 0);
  ASSERT_EQ(computer.size(), 1u);
  EXPECT_NE(ValueOf(computer, "NumberOfLogicalProcessors"), "<null>");
  EXPECT_NE(ValueOf(computer, "TotalPhysicalMemory"), "<null>");
}

}  // namespace
}  // namespace hwident::test
