#include <gtest/gtest.h>

#include <string>

#include "platform/windows/com_object_system.h"

namespace hwident {
namespace {

// The backend against the platform's own WMI service (Wine's, in the cross
// build): connection, query, the enumerator and the property walk.
class WmiServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    objects_.InitializeApartment();
    objects_.InitializeSecurity();
    Locator* locator = nullptr;
    ASSERT_EQ(objects_.CreateLocator(&locator), kOk);
    CountedString ns = objects_.AllocString(u"\\\\.\\root\\cimv2");
    const ResultCode connected = locator->ConnectServer(ns, 0, &services_);
    objects_.FreeString(ns);
    locator->Release();
    ASSERT_EQ(connected, kOk);
    ASSERT_NE(services_, nullptr);
  }

  void TearDown() override {
    if (services_ != nullptr) services_->Release();
  }

  ResultCode Query(const char16_t* text, ObjectEnumerator** enumerator) {
    CountedString language = objects_.AllocString(u"WQL");
    CountedString query = objects_.AllocString(text);
    const ResultCode result = services_->ExecQuery(language, query, 0, enumerator);
    objects_.FreeString(query);
    objects_.FreeString(language);
    return result;
  }

  ComObjectSystem objects_;
  Services* services_ = nullptr;
};

TEST_F(WmiServiceTest, WalksTheComputerSystemsProperties) {
  ObjectEnumerator* enumerator = nullptr;
  ASSERT_EQ(Query(u"select * from Win32_ComputerSystem", &enumerator), kOk);
  ClassObject* objects[3] = {};
  std::uint32_t returned = 0;
  // Asking for more objects than there are: the one there is, and S_FALSE.
  EXPECT_EQ(enumerator->Next(kWaitInfinite, 3, objects, &returned), kFalse);
  ASSERT_EQ(returned, 1u);
  ClassObject* object = objects[0];

  ASSERT_EQ(object->BeginEnumeration(kNonSystemOnly), kOk);
  int properties = 0;
  std::u16string model;
  CountedString name = nullptr;
  Variant value;
  while (object->Next(0, &name, &value) == kOk) {
    ++properties;
    // System properties (__CLASS and the like) are left out.
    EXPECT_NE(std::u16string(name).rfind(u"__", 0), 0u);
    if (std::u16string(name) == u"Model" && value.type == vt::kBstr) model = value.bstr;
    objects_.FreeString(name);
    objects_.ClearValue(&value);
    EXPECT_EQ(value.type, vt::kEmpty);
  }
  object->EndEnumeration();
  object->Release();
  EXPECT_GT(properties, 1);
  EXPECT_FALSE(model.empty());

  EXPECT_NE(enumerator->Next(kWaitInfinite, 1, objects, &returned), kOk);
  EXPECT_EQ(returned, 0u);
  enumerator->Release();
}

TEST_F(WmiServiceTest, UnknownClassGivesNoObjects) {
  ObjectEnumerator* enumerator = nullptr;
  const ResultCode result = Query(u"Select * from Win32_NoSuchClass", &enumerator);
  if (result == kOk) {
    ClassObject* object = nullptr;
    std::uint32_t returned = 0;
    EXPECT_NE(enumerator->Next(kWaitInfinite, 1, &object, &returned), kOk);
    EXPECT_EQ(returned, 0u);
    enumerator->Release();
  } else {
    EXPECT_LT(result, 0);
    EXPECT_EQ(enumerator, nullptr);
  }
}

}  // namespace
}  // namespace hwident
