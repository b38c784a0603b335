#include "platform/scripted/scripted_service.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace hwident {
namespace {

constexpr char16_t kQuery[] = u"Select * from Win32_BIOS";

// Runs a query and hands back the first object, as a caller would.
struct Walk {
  ObjectEnumerator* enumerator = nullptr;
  ClassObject* object = nullptr;
};

Walk FirstObject(Services& services, ScriptedService& service) {
  Walk walk;
  const CountedString language = service.AllocString(u"WQL");
  const CountedString query = service.AllocString(kQuery);
  EXPECT_EQ(services.ExecQuery(language, query, 0, &walk.enumerator), kOk);
  service.FreeString(language);
  service.FreeString(query);
  std::uint32_t returned = 0;
  EXPECT_EQ(walk.enumerator->Next(kWaitInfinite, 1, &walk.object, &returned), kOk);
  EXPECT_EQ(returned, 1u);
  return walk;
}

class ScriptedServiceTest : public ::testing::Test {
 protected:
  ScriptedServiceTest() {
    service_.AddObject(kQuery)
        .Property(u"Name", MakeStringValue(u"Firmware"))
        .Property(u"Codes", MakeArrayValue(vt::kBstr, {MakeStringValue(u"a")}));
  }
  ScriptedService service_;
};

TEST_F(ScriptedServiceTest, ReportsWhatTheCallerStillHolds) {
  struct Row {
    const char* name;
    std::function<void(ScriptedService&)> run;
    ScriptedOutstanding outstanding;
  };
  const std::vector<Row> rows = {
      {"locator kept",
       [](ScriptedService& service) {
         Locator* locator = nullptr;
         service.CreateLocator(&locator);
       },
       {.locators = 1}},
      {"string kept", [](ScriptedService& service) { service.AllocString(u"x"); }, {.strings = 1}},
      {"enumerator and object kept",
       [](ScriptedService& service) {
         Services* services = service.Connect().services;
         FirstObject(*services, service);
         services->Release();
       },
       {.enumerators = 1, .objects = 1}},
      {"names and values kept: two names, a string, an array of one string",
       [](ScriptedService& service) {
         Services* services = service.Connect().services;
         Walk walk = FirstObject(*services, service);
         walk.object->BeginEnumeration(kNonSystemOnly);
         CountedString name = nullptr;
         Variant value;
         walk.object->Next(0, &name, &value);
         walk.object->Next(0, &name, &value);
         walk.object->EndEnumeration();
         walk.object->Release();
         walk.enumerator->Release();
         services->Release();
       },
       {.strings = 4, .values = 2}},
  };
  for (const Row& row : rows) {
    ScriptedService service;
    service.AddObject(kQuery)
        .Property(u"Name", MakeStringValue(u"Firmware"))
        .Property(u"Codes", MakeArrayValue(vt::kBstr, {MakeStringValue(u"a")}));
    row.run(service);
    EXPECT_EQ(service.Outstanding(), row.outstanding) << row.name;
    EXPECT_TRUE(service.Outstanding().Any()) << row.name;
  }
}

TEST_F(ScriptedServiceTest, HandsOutCopiesSoTheScriptRunsAgain) {
  for (int run = 0; run < 2; ++run) {
    Services* services = service_.Connect().services;
    Walk walk = FirstObject(*services, service_);
    ASSERT_EQ(walk.object->BeginEnumeration(kNonSystemOnly), kOk);
    CountedString name = nullptr;
    Variant value;
    ASSERT_EQ(walk.object->Next(0, &name, &value), kOk);
    EXPECT_EQ(std::u16string(name), u"Name");
    EXPECT_EQ(std::u16string(value.bstr), u"Firmware");
    service_.FreeString(name);
    service_.ClearValue(&value);
    EXPECT_EQ(value.type, vt::kEmpty);
    ASSERT_EQ(walk.object->Next(0, &name, &value), kOk);
    service_.FreeString(name);
    service_.ClearValue(&value);
    EXPECT_EQ(walk.object->Next(0, &name, &value), kNoMoreData);
    walk.object->EndEnumeration();
    walk.object->Release();
    std::uint32_t returned = 7;
    EXPECT_EQ(walk.enumerator->Next(kWaitInfinite, 1, &walk.object, &returned), kFalse);
    EXPECT_EQ(returned, 0u);
    walk.enumerator->Release();
    services->Release();
  }
  EXPECT_FALSE(service_.Outstanding().Any());
  EXPECT_EQ(service_.clearedValueTypes(),
            (std::vector<std::uint16_t>{vt::kBstr, vt::kArray | vt::kBstr, vt::kBstr,
                                        vt::kArray | vt::kBstr}));
  EXPECT_TRUE(service_.Misuses().empty());
}

TEST_F(ScriptedServiceTest, RecordsMisuses) {
  Services* services = service_.Connect().services;
  Walk walk = FirstObject(*services, service_);
  CountedString name = nullptr;
  Variant value;
  EXPECT_EQ(walk.object->Next(0, &name, &value), kFail);  // no BeginEnumeration
  walk.object->Release();
  walk.object->Release();
  CountedString stranger = HeapAllocString(u"stranger");
  service_.FreeString(stranger);
  HeapFreeString(stranger);
  walk.enumerator->Release();
  services->Release();
  EXPECT_EQ(service_.Misuses().size(), 3u);
  EXPECT_EQ(service_.objectReleases(), 1);
}

TEST_F(ScriptedServiceTest, FailsWhatItIsToldToFail) {
  service_.FailInitializeSecurity(kFail);
  service_.FailCreateLocator();
  service_.FailAllocString();
  EXPECT_EQ(service_.InitializeSecurity(), kFail);
  Locator* locator = nullptr;
  EXPECT_NE(service_.CreateLocator(&locator), kOk);
  EXPECT_EQ(locator, nullptr);
  EXPECT_EQ(service_.AllocString(u"WQL"), nullptr);

  ScriptedService connecting;
  connecting.FailConnectServer();
  ASSERT_EQ(connecting.CreateLocator(&locator), kOk);
  const CountedString ns = connecting.AllocString(u"\\\\.\\root\\cimv2");
  Services* services = reinterpret_cast<Services*>(1);
  EXPECT_EQ(locator->ConnectServer(ns, 0, &services), kInvalidNamespace);
  EXPECT_EQ(services, nullptr);
  connecting.FreeString(ns);
  locator->Release();
  EXPECT_EQ(connecting.connectedNamespaces(), std::vector<std::u16string>{u"\\\\.\\root\\cimv2"});
  EXPECT_FALSE(connecting.Outstanding().Any());
}

TEST_F(ScriptedServiceTest, ForgetReleasedKeepsWhatIsStillHeld) {
  Services* services = service_.Connect().services;
  Walk walk = FirstObject(*services, service_);
  walk.enumerator->Release();
  service_.ForgetReleased();
  EXPECT_EQ(service_.Outstanding(), (ScriptedOutstanding{.services = 1, .objects = 1}));
  walk.object->Release();
  services->Release();
  service_.ForgetReleased();
  EXPECT_FALSE(service_.Outstanding().Any());
  EXPECT_EQ(service_.objectReleases(), 0);
}

}  // namespace
}  // namespace hwident
