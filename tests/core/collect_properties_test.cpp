#include "collect/collect_properties.h"

#include <gtest/gtest.h>

#include <vector>

#include "collect/report_lines.h"
#include "platform/scripted/scripted_service.h"

namespace hwident {
namespace {

using Lines = std::vector<NarrowText>;

constexpr char16_t kDrives[] = u"Select * from Win32_CDROMDrive";
constexpr char kDrivesQuery[] = "Select * from Win32_CDROMDrive";

// Runs one request after the given lines over a connection the test holds,
// as the run driver does, and checks that the request gave everything back.
Lines Collect(ScriptedService& service, const NarrowText& query, const NarrowText& list,
              const Lines& before = {}) {
  g_reportLines = before;
  const ServiceConnection connection = service.Connect();
  EXPECT_TRUE(CollectProperties(connection, query, list));
  // Only the connection, which belongs to the caller, may still be held.
  EXPECT_EQ(service.Outstanding(), ScriptedOutstanding{.services = 1});
  EXPECT_EQ(service.Misuses(), std::vector<std::string>{});
  connection.services->Release();
  return g_reportLines;
}

// Objects one and two, each with the same properties in the same order.
void AddDrives(ScriptedService& service) {
  for (const char16_t* name : {u"one", u"two"}) {
    service.AddObject(kDrives)
        .Property(u"Caption", MakeStringValue(name))
        .Property(u"Drive", MakeI4Value(4));
  }
}

TEST(CollectPropertiesTest, SendsWqlAndAppendsALineEvenForValuesWithoutText) {
  ScriptedService service;
  service.AddObject(kDrives)
      .Property(u"Model", MakeStringValue(u"HAL 9000"))
      .Property(u"Codes", MakeArrayValue(vt::kBstr, {MakeStringValue(u"a")}))
      .Property(u"Broken", MakeNullStringValue());
  EXPECT_EQ(Collect(service, kDrivesQuery, "Model,Codes,Broken", {"Earlier"}),
            (Lines{"Earlier", "Model = \"HAL 9000\"", "Codes = ", "Broken = \"\""}));
  ASSERT_EQ(service.queries().size(), 1u);
  EXPECT_EQ(service.queries()[0].language, u"WQL");
  EXPECT_EQ(service.queries()[0].text, kDrives);
  EXPECT_EQ(service.queries()[0].flags, 0);
  EXPECT_EQ(service.beginEnumerationFlags(), std::vector<std::int32_t>{kNonSystemOnly});
}

TEST(CollectPropertiesTest, LinesFollowEnumerationServiceAndListOrder) {
  ScriptedService service;
  AddDrives(service);
  const std::vector<std::pair<NarrowText, Lines>> rows = {
      {"Drive,Caption",
       {"Caption = \"one\"", "Drive = 4 (0x4)", "Caption = \"two\"", "Drive = 4 (0x4)"}},
      {",,Caption,caption",
       {"Caption = \"one\"", "Caption = \"one\"", "Caption = \"two\"", "Caption = \"two\""}},
      {"Caption Drive", {}},
  };
  for (const auto& [list, lines] : rows) EXPECT_EQ(Collect(service, kDrivesQuery, list), lines);
}

TEST(CollectPropertiesTest, MatchesNamesIgnoringCaseOfAToZOnlyAndKeepsTheServiceSpelling) {
  // Written wide and converted through the platform's code page, so the test
  // holds on every host.
  ScriptedService service;
  ScriptedObject& object = service.AddObject(kDrives);
  for (const char16_t* name : {u"MoDeL", u"Models", u"z", u"`", u"{", u"CAF\u00C9", u"CAF\u00E9"}) {
    object.Property(name, MakeI4Value(1));
  }
  EXPECT_EQ(Collect(service, kDrivesQuery, WideToNarrow(u"mOdEl,Z,@,[,Caf\u00E9")),
            (Lines{"MoDeL = 1 (0x1)", "z = 1 (0x1)", WideToNarrow(u"CAF\u00E9") + " = 1 (0x1)"}));
}

// Names are matched once per place in an object's walk; an object whose
// name at a place differs, even only by a longer or shorter name, is
// matched afresh. A string prints up to its first zero, an unpaired
// surrogate as the code page shows the replacement character, inside its
// quotes.
TEST(CollectPropertiesTest, ANameUnlikeTheLastAtItsPlaceIsMatchedAgain) {
  ScriptedService service;
  for (const char16_t* name : {u"Caption", u"Captions", u"Caption", u"Captio"}) {
    service.AddObject(kDrives).Property(name, MakeStringValue(name));
  }
  service.AddObject(kDrives).Property(u"Caption",
                                      MakeStringValue(std::u16string_view(u"ab\0cd\xD800", 6)));
  service.AddObject(kDrives).Property(u"Caption", MakeStringValue(u"x\xD800"));
  EXPECT_EQ(Collect(service, kDrivesQuery, "Caption"),
            (Lines{"Caption = \"Caption\"", "Caption = \"Caption\"", "Caption = \"ab\"",
                   "Caption = \"" + WideToNarrow(u"x\uFFFD") + "\""}));
}

TEST(CollectPropertiesTest, RewritesDeviceIdOnlyForTheExactQueryAndToken) {
  const NarrowText queries[] = {kDrivesQuery, "select * from Win32_CDROMDrive",
                                "Select * from Win32_CDROMDrive "};
  ScriptedService service;
  for (const NarrowText& query : queries) {
    service.AddObject(NarrowToWide(query))
        .Property(u"DeviceID", MakeStringValue(u"IDE\\CDROMACME_DRIVE_1.0___\\5&1"));
  }
  const Lines kept = {"DeviceID = \"IDE\\CDROMACME_DRIVE_1.0___\\5&1\""};
  EXPECT_EQ(Collect(service, queries[0], "DeviceID"), Lines{"DeviceID = ACME DRIVE 1.0"});
  EXPECT_EQ(Collect(service, queries[0], "deviceid"), kept);
  EXPECT_EQ(Collect(service, queries[1], "DeviceID"), kept);
  EXPECT_EQ(Collect(service, queries[2], "DeviceID"), kept);
}

TEST(CollectPropertiesTest, EndsQuietlyWhenTheQueryCannotRun) {
  ScriptedService service;
  AddDrives(service);
  service.RejectQuery(u"Select * from Win32_BIOS", kInvalidQuery);
  EXPECT_EQ(Collect(service, "Select * from Win32_BIOS", "Name"), Lines{});
  service.FailAllocString();
  EXPECT_EQ(Collect(service, kDrivesQuery, "Caption"), Lines{});
  service.FailAllocString(false);
  service.FailAllocStringLen();
  EXPECT_EQ(Collect(service, kDrivesQuery, "Caption"), Lines{});
  EXPECT_EQ(service.queries().size(), 1u);  // none once a text could not be made
}

TEST(CollectPropertiesTest, EnumeratorFailureKeepsEarlierLines) {
  ScriptedService service;
  AddDrives(service);
  service.FailEnumeratorNext(kDrives, 1, kFail);
  EXPECT_EQ(Collect(service, kDrivesQuery, "Caption"), Lines{});
  service.FailEnumeratorNext(kDrives, 2, kFalse);
  EXPECT_EQ(Collect(service, kDrivesQuery, "Caption"), Lines{"Caption = \"one\""});
}

TEST(CollectPropertiesTest, ObjectFailureEndsOnlyThatObjectsWalk) {
  ScriptedService service;
  service.AddObject(kDrives).Property(u"Caption", MakeStringValue(u"one")).FailBeginEnumeration();
  service.AddObject(kDrives)
      .Property(u"Caption", MakeStringValue(u"two"))
      .Property(u"Drive", MakeI4Value(2))
      .FailPropertyNext(2);
  service.AddObject(kDrives)
      .Property(u"Caption", MakeStringValue(u"three"))
      .Property(u"Drive", MakeI4Value(3));
  EXPECT_EQ(Collect(service, kDrivesQuery, "Caption,Drive"),
            (Lines{"Caption = \"two\"", "Caption = \"three\"", "Drive = 3 (0x3)"}));
  EXPECT_EQ(service.endEnumerationCalls(), 3);
}

}  // namespace
}  // namespace hwident
