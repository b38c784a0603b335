#include "platform/scripted/scripted_service.h"

#include <gtest/gtest.h>

namespace hwident {
namespace {

// Other tests trust the service to record leaks and misuses and to inject
// the failures it is told to; these tests prove only that.

constexpr char16_t kQuery[] = u"Select * from Win32_BIOS";

// Scripts one object and reaches it as a caller would, holding the services
// and the enumerator on the way.
ClassObject* FirstObject(ScriptedService& service) {
  service.AddObject(kQuery)
      .Property(u"Name", MakeStringValue(u"Firmware"))
      .Property(u"Codes", MakeArrayValue(vt::kBstr, {MakeStringValue(u"a")}));
  const CountedString language = service.AllocString(u"WQL");
  const CountedString query = service.AllocString(kQuery);
  ObjectEnumerator* enumerator = nullptr;
  EXPECT_EQ(service.Connect().services->ExecQuery(language, query, 0, &enumerator), kOk);
  service.FreeString(language);
  service.FreeString(query);
  ClassObject* object = nullptr;
  std::uint32_t returned = 0;
  EXPECT_EQ(enumerator->Next(kWaitInfinite, 1, &object, &returned), kOk);
  return object;
}

TEST(ScriptedServiceTest, ReportsWhatTheCallerStillHolds) {
  ScriptedService service;
  Locator* locator = nullptr;
  ASSERT_EQ(service.CreateLocator(&locator), kOk);
  ClassObject* object = FirstObject(service);
  ASSERT_EQ(object->BeginEnumeration(kNonSystemOnly), kOk);
  CountedString name = nullptr;
  Variant value;
  for (int i = 0; i < 2; ++i) ASSERT_EQ(object->Next(0, &name, &value), kOk);
  // Two names, a string value and an array holding one string.
  ScriptedOutstanding held{
      .locators = 1, .services = 1, .enumerators = 1, .objects = 1, .strings = 4, .values = 2};
  EXPECT_EQ(service.Outstanding(), held);
  locator->Release();
  service.ForgetReleased();  // forgets only what was given back
  held.locators = 0;
  EXPECT_EQ(service.Outstanding(), held);
}

TEST(ScriptedServiceTest, RecordsMisuses) {
  ScriptedService service;
  ClassObject* object = FirstObject(service);
  CountedString name = nullptr;
  Variant value;
  EXPECT_EQ(object->Next(0, &name, &value), kFail);  // no BeginEnumeration
  object->Release();
  object->Release();
  CountedString stranger = HeapAllocString(u"stranger");
  service.FreeString(stranger);
  HeapFreeString(stranger);
  EXPECT_EQ(service.Misuses().size(), 3u);
}

// Each injected failure hands out nothing, so the caller has nothing to free.
TEST(ScriptedServiceTest, FailsWhatItIsToldToFail) {
  ScriptedService service;
  service.FailConnectServer();
  Locator* locator = nullptr;
  ASSERT_EQ(service.CreateLocator(&locator), kOk);
  Services* services = reinterpret_cast<Services*>(1);
  EXPECT_EQ(locator->ConnectServer(nullptr, 0, &services), kInvalidNamespace);
  EXPECT_EQ(services, nullptr);
  service.FailCreateLocator();
  EXPECT_NE(service.CreateLocator(&locator), kOk);
  EXPECT_EQ(locator, nullptr);
}

}  // namespace
}  // namespace hwident
