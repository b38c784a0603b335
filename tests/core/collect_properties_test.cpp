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
constexpr char16_t kBios[] = u"Select * from Win32_BIOS";
constexpr char kBiosQuery[] = "Select * from Win32_BIOS";

// Runs requests against a scripted service over a connection the test holds,
// as the run driver does, and checks that each request gave back everything.
class CollectPropertiesTest : public ::testing::Test {
 protected:
  void SetUp() override { g_reportLines.clear(); }
  void TearDown() override { g_reportLines.clear(); }

  Lines Collect(ScriptedService& service, const NarrowText& query, const NarrowText& list) {
    const ServiceConnection connection = service.Connect();
    EXPECT_TRUE(CollectProperties(connection, query, list));
    // Only the connection, which belongs to the caller, may still be held.
    EXPECT_EQ(service.Outstanding(), ScriptedOutstanding{.services = 1});
    EXPECT_EQ(service.Misuses(), std::vector<std::string>{});
    connection.services->Release();
    return g_reportLines;
  }
  Lines Collect(const NarrowText& query, const NarrowText& list) {
    return Collect(service_, query, list);
  }

  // Three drives, each with the same properties in the same order.
  void AddDrives() {
    for (const char16_t* name : {u"one", u"two", u"three"}) {
      service_.AddObject(kDrives)
          .Property(u"Caption", MakeStringValue(name))
          .Property(u"DeviceID", MakeStringValue(u"IDE\\CDROMACME_X\\1"))
          .Property(u"Drive", MakeI4Value(4));
    }
  }

  ScriptedService service_;
};

TEST_F(CollectPropertiesTest, SendsTheQueryAsWqlAndFreesBothTexts) {
  service_.AddObject(u"select * from Win32_ComputerSystem")
      .Property(u"Model", MakeStringValue(u"HAL 9000"));
  EXPECT_EQ(Collect("select * from Win32_ComputerSystem", "Model"),
            (Lines{"Model = \"HAL 9000\""}));
  ASSERT_EQ(service_.queries().size(), 1u);
  EXPECT_EQ(service_.queries()[0].language, u"WQL");
  EXPECT_EQ(service_.queries()[0].text, u"select * from Win32_ComputerSystem");
  EXPECT_EQ(service_.queries()[0].flags, 0);
  EXPECT_EQ(service_.beginEnumerationFlags(), std::vector<std::int32_t>{kNonSystemOnly});
  EXPECT_EQ(service_.freedStrings(),
            (std::vector<std::u16string>{u"Model", u"Model", u"select * from Win32_ComputerSystem",
                                         u"WQL"}));
}

TEST_F(CollectPropertiesTest, LinesFollowEnumerationAndServiceOrder) {
  AddDrives();
  struct Row {
    NarrowText list;
    Lines lines;
  };
  const std::vector<Row> rows = {
      {"Drive,Caption",
       {"Caption = \"one\"", "Drive = 4 (0x4)", "Caption = \"two\"", "Drive = 4 (0x4)",
        "Caption = \"three\"", "Drive = 4 (0x4)"}},
      {"Caption,Caption",
       {"Caption = \"one\"", "Caption = \"one\"", "Caption = \"two\"", "Caption = \"two\"",
        "Caption = \"three\"", "Caption = \"three\""}},
      {",,Caption,", {"Caption = \"one\"", "Caption = \"two\"", "Caption = \"three\""}},
      {",,,", {}},
      {"", {}},
      {"Missing", {}},
      {"Caption Drive", {}},
  };
  for (const Row& row : rows) {
    g_reportLines.clear();
    EXPECT_EQ(Collect(kDrivesQuery, row.list), row.lines) << row.list;
  }
  EXPECT_EQ(service_.objectReleases(), 3 * static_cast<int>(rows.size()));
  EXPECT_EQ(service_.enumeratorReleases(), static_cast<int>(rows.size()));
}

TEST_F(CollectPropertiesTest, AppendsAfterEarlierLines) {
  AddDrives();
  g_reportLines = {"Model = \"X\""};
  EXPECT_EQ(Collect(kDrivesQuery, "Drive"),
            (Lines{"Model = \"X\"", "Drive = 4 (0x4)", "Drive = 4 (0x4)", "Drive = 4 (0x4)"}));
}

TEST_F(CollectPropertiesTest, MatchesNamesIgnoringCaseOfAToZOnly) {
  // Tokens are written wide and converted through the platform's code page,
  // so the rows hold on every host.
  struct Row {
    std::u16string token;
    std::u16string serviceName;
    bool matches;
  };
  const std::vector<Row> rows = {
      {u"Model", u"MODEL", true},
      {u"mOdEl", u"MoDeL", true},
      {u"Z", u"z", true},
      {u"Model", u"Models", false},
      {u"Models", u"Model", false},
      {u"@", u"`", false},                  // 0x40 and 0x60 sit just outside the letters
      {u"[", u"{", false},                  // 0x5B and 0x7B likewise
      {u"Caf\u00E9", u"CAF\u00C9", false},  // no folding beyond ASCII
      {u"Caf\u00E9", u"CAF\u00E9", true},
      {u"\u00C9", u"\u00E9", false},
  };
  for (const Row& row : rows) {
    ScriptedService service;
    service.AddObject(kBios).Property(row.serviceName, MakeI4Value(1));
    g_reportLines.clear();
    // The line carries the service's spelling, not the list's.
    const Lines expected =
        row.matches ? Lines{WideToNarrow(row.serviceName) + " = 1 (0x1)"} : Lines{};
    EXPECT_EQ(Collect(service, kBiosQuery, WideToNarrow(row.token)), expected)
        << WideToNarrow(row.token);
  }
}

TEST_F(CollectPropertiesTest, RewritesDeviceIdOnlyForTheExactQueryAndToken) {
  struct Row {
    std::u16string wideQuery;
    NarrowText query;
    NarrowText list;
    Lines lines;
  };
  const std::vector<Row> rows = {
      {kDrives, kDrivesQuery, "DeviceID", {"DeviceID = ACME DRIVE 1.0"}},
      {kDrives, kDrivesQuery, "deviceid", {"DeviceID = \"IDE\\CDROMACME_DRIVE_1.0___\\5&1\""}},
      {kDrives, kDrivesQuery, "DeviceId", {"DeviceID = \"IDE\\CDROMACME_DRIVE_1.0___\\5&1\""}},
      {u"select * from Win32_CDROMDrive",
       "select * from Win32_CDROMDrive",
       "DeviceID",
       {"DeviceID = \"IDE\\CDROMACME_DRIVE_1.0___\\5&1\""}},
      {u"Select * from Win32_CDROMDrive ",
       "Select * from Win32_CDROMDrive ",
       "DeviceID",
       {"DeviceID = \"IDE\\CDROMACME_DRIVE_1.0___\\5&1\""}},
      {kDrives,
       kDrivesQuery,
       "DeviceID,deviceid",
       {"DeviceID = ACME DRIVE 1.0", "DeviceID = \"IDE\\CDROMACME_DRIVE_1.0___\\5&1\""}},
  };
  for (const Row& row : rows) {
    ScriptedService service;
    service.AddObject(row.wideQuery)
        .Property(u"DeviceID", MakeStringValue(u"IDE\\CDROMACME_DRIVE_1.0___\\5&1"));
    g_reportLines.clear();
    EXPECT_EQ(Collect(service, row.query, row.list), row.lines) << row.query << row.list;
  }
}

TEST_F(CollectPropertiesTest, ValuesWithoutTextStillGiveALine) {
  service_.AddObject(kBios)
      .Property(u"Codes", MakeArrayValue(vt::kBstr, {MakeStringValue(u"a"), MakeStringValue(u"b")}))
      .Property(u"Owner", MakeTaggedValue(vt::kDispatch))
      .Property(u"Serial", MakeNullValue())
      .Property(u"Broken", MakeNullStringValue())
      .Property(u"Date", MakeTaggedValue(vt::kDate));
  EXPECT_EQ(Collect(kBiosQuery, "Codes,Owner,Serial,Broken,Date"),
            (Lines{"Codes = ", "Owner = ", "Serial = <null>", "Broken = \"\"",
                   "Date = <conversion error>"}));
  EXPECT_EQ(service_.valueClears(), 5);
}

TEST_F(CollectPropertiesTest, RejectedOrEmptyQueryAppendsNothing) {
  service_.RejectQuery(kBios, kInvalidQuery);
  service_.AddQuery(u"Select * from Win32_Fan");
  EXPECT_EQ(Collect(kBiosQuery, "Name"), Lines{});
  EXPECT_EQ(Collect("Select * from Win32_Unknown", "Name"), Lines{});
  EXPECT_EQ(Collect("Select * from Win32_Fan", "Name"), Lines{});
  EXPECT_EQ(service_.queries().size(), 3u);
  EXPECT_EQ(service_.enumeratorReleases(), 1);
}

TEST_F(CollectPropertiesTest, EnumeratorFailureKeepsEarlierLines) {
  AddDrives();
  struct Row {
    int failingCall;
    ResultCode code;
    Lines lines;
  };
  const std::vector<Row> rows = {
      {1, kFail, {}},
      {2, kFail, {"Caption = \"one\""}},
      {3, kFalse, {"Caption = \"one\"", "Caption = \"two\""}},
      {4, kFail, {"Caption = \"one\"", "Caption = \"two\"", "Caption = \"three\""}},
  };
  for (const Row& row : rows) {
    service_.FailEnumeratorNext(kDrives, row.failingCall, row.code);
    g_reportLines.clear();
    EXPECT_EQ(Collect(kDrivesQuery, "Caption"), row.lines) << row.failingCall;
  }
}

TEST_F(CollectPropertiesTest, BeginEnumerationFailureSkipsOnlyThatObject) {
  AddDrives();
  service_.AddObject(kDrives).Property(u"Caption", MakeStringValue(u"four")).FailBeginEnumeration();
  service_.AddObject(kDrives).Property(u"Caption", MakeStringValue(u"five"));
  EXPECT_EQ(Collect(kDrivesQuery, "Caption"), (Lines{"Caption = \"one\"", "Caption = \"two\"",
                                                     "Caption = \"three\"", "Caption = \"five\""}));
  EXPECT_EQ(service_.endEnumerationCalls(), 5);
  EXPECT_EQ(service_.objectReleases(), 5);
}

TEST_F(CollectPropertiesTest, PropertyNextFailureEndsOnlyThatObjectsWalk) {
  service_.AddObject(kDrives)
      .Property(u"Caption", MakeStringValue(u"one"))
      .Property(u"Drive", MakeI4Value(1))
      .FailPropertyNext(2);
  service_.AddObject(kDrives)
      .Property(u"Caption", MakeStringValue(u"two"))
      .Property(u"Drive", MakeI4Value(2));
  EXPECT_EQ(Collect(kDrivesQuery, "Caption,Drive"),
            (Lines{"Caption = \"one\"", "Caption = \"two\"", "Drive = 2 (0x2)"}));
  EXPECT_EQ(service_.endEnumerationCalls(), 2);
  EXPECT_EQ(service_.valueClears(), 3);
}

TEST_F(CollectPropertiesTest, NoQueryWhenItsTextsCannotBeMade) {
  AddDrives();
  service_.FailAllocString();
  EXPECT_EQ(Collect(kDrivesQuery, "Caption"), Lines{});
  service_.FailAllocString(false);
  service_.FailAllocStringLen();
  EXPECT_EQ(Collect(kDrivesQuery, "Caption"), Lines{});
  EXPECT_EQ(service_.queries().size(), 0u);
  EXPECT_EQ(service_.freedStrings(), std::vector<std::u16string>{u"WQL"});
}

}  // namespace
}  // namespace hwident
