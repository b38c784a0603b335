#include "app/run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "collect/report_lines.h"
#include "platform/heap/heap_values.h"
#include "platform/scripted/scripted_service.h"
#include "platform/scripted/scripted_system.h"

namespace hwident {
namespace {

using Messages = std::vector<ShownMessage>;
using Queries = std::vector<std::u16string>;

constexpr char kReport[] = "C:\\Windows\\Model.txt";
constexpr char16_t kModelQuery[] = u"select * from Win32_ComputerSystem";

ShownMessage App(std::string text) {
  return {MessageStyle::kApp, std::move(text)};
}
ShownMessage Plain(std::string text) {
  return {MessageStyle::kPlain, std::move(text)};
}

// A computer with the given model, and classes A, B and win32_cdromdrive
// whose one object has the properties x and y.
void ScriptMachine(ScriptedService& service, Variant model) {
  service.AddObject(kModelQuery).Property(u"Model", model);
  for (const char16_t* name : {u"A", u"B", u"win32_cdromdrive"}) {
    service.AddObject(std::u16string(u"Select * from ") + name)
        .Property(u"x", MakeStringValue(std::u16string(name) + u"x"))
        .Property(u"y", MakeStringValue(std::u16string(name) + u"y"));
  }
}

// One run of the program against scripted pieces.
class RunTest : public ::testing::Test {
 protected:
  RunTest() {
    g_reportLines.clear();
    ScriptMachine(service_, MakeStringValue(u"Box"));
  }
  ~RunTest() override { g_reportLines.clear(); }

  // Runs the program; every run ends with exit code 0 and nothing misused.
  void Run(std::string_view commandLine) {
    const Platform platform{service_, messages_, files_};
    EXPECT_EQ(RunHwident(platform, commandLine), 0);
    EXPECT_EQ(service_.Misuses(), std::vector<std::string>{});
    EXPECT_TRUE(g_reportLines.empty());
  }

  // The query texts after the built-in one.
  Queries EntryQueries() const {
    Queries texts;
    for (const ScriptedQueryCall& call : service_.queries()) texts.push_back(call.text);
    if (!texts.empty() && texts.front() == kModelQuery) texts.erase(texts.begin());
    return texts;
  }

  std::string Report() { return files_.files[kReport].content; }

  ScriptedService service_;
  ScriptedMessageDisplay messages_;
  ScriptedFileServices files_;
};

TEST_F(RunTest, StartsConnectsAsksForTheModelAndWritesTheReport) {
  Run("");
  EXPECT_EQ(service_.apartmentCalls(), 1);
  EXPECT_EQ(service_.securityCalls(), 1);
  EXPECT_EQ(service_.connectedNamespaces(), Queries{u"\\\\.\\root\\cimv2"});
  ASSERT_EQ(service_.queries().size(), 1u);
  EXPECT_EQ(service_.queries()[0].language, u"WQL");
  EXPECT_EQ(service_.queries()[0].text, kModelQuery);
  EXPECT_EQ(Report(), "Model = \"Box\"\r\n");
  EXPECT_EQ(messages_.shown, Messages{});
  // The locator and the namespace text go at once; the connection is held
  // until the process ends.
  EXPECT_EQ(service_.locatorReleases(), 1);
  EXPECT_EQ(service_.servicesReleases(), 0);
  EXPECT_EQ(service_.Outstanding(), (ScriptedOutstanding{.services = 1}));
}

TEST_F(RunTest, LinesFollowTheEntriesInOrder) {
  Run("B;y A;x,y B;y");
  EXPECT_EQ(EntryQueries(), (Queries{u"Select * from B", u"Select * from A", u"Select * from B"}));
  EXPECT_EQ(Report(),
            "Model = \"Box\"\r\ny = \"By\"\r\nx = \"Ax\"\r\ny = \"Ay\"\r\ny = \"By\"\r\n");
}

TEST_F(RunTest, CommandLineGrammar) {
  const struct {
    const char* commandLine;
    Queries queries;
    Messages messages;
    const char* lines;  // after the model line
  } cases[] = {
      {"A;x", {u"Select * from A"}, {}, "x = \"Ax\"\r\n"},
      {"A;x   B;y   ",
       {u"Select * from A", u"Select * from B"},
       {},
       "x = \"Ax\"\r\ny = \"By\"\r\n"},
      {"A;;;x", {u"Select * from A"}, {}, "x = \"Ax\"\r\n"},
      {"A;x;y", {u"Select * from A"}, {}, "x = \"Ax\"\r\n"},  // after a second ';': unread
      {"A;x,,y,", {u"Select * from A"}, {}, "x = \"Ax\"\r\ny = \"Ay\"\r\n"},
      // A tab does not split: one entry, the second class inside the list.
      {"A;x\tB;y", {u"Select * from A"}, {}, ""},
      {"A\tB;x", {u"Select * from A\tB"}, {}, ""},
      {"\"A;x\"", {u"Select * from \"A"}, {}, ""},
      {"win32_cdromdrive;x",
       {u"Select * from win32_cdromdrive"},
       {},
       "x = \"win32_cdromdrivex\"\r\n"},
      {"Bogus;x", {u"Select * from Bogus"}, {}, ""},  // unknown class: no line, no message
      // Without a property list: the message, and no request.
      {"A", {}, {App("A - ")}, ""},
      {"A;", {}, {App("A - ")}, ""},
      {"A;;", {}, {App("A - ")}, ""},
      {";Model", {}, {App("Model - ")}, ""},
      {";;;", {}, {App(" - ")}, ""},
      {"A B;y C", {u"Select * from B"}, {App("A - "), App("C - ")}, "y = \"By\"\r\n"},
  };
  for (const auto& row : cases) {
    ScriptedService service;
    ScriptMachine(service, MakeNullValue());
    ScriptedMessageDisplay messages;
    ScriptedFileServices files;
    EXPECT_EQ(RunHwident(Platform{service, messages, files}, row.commandLine), 0);

    Queries queries;
    for (const ScriptedQueryCall& call : service.queries()) queries.push_back(call.text);
    ASSERT_FALSE(queries.empty());
    EXPECT_EQ(queries.front(), kModelQuery);
    queries.erase(queries.begin());
    EXPECT_EQ(queries, row.queries) << row.commandLine;
    EXPECT_EQ(messages.shown, row.messages) << row.commandLine;
    EXPECT_EQ(files.files[kReport].content, std::string("Model = <null>\r\n") + row.lines)
        << row.commandLine;
  }
}

TEST_F(RunTest, SecurityFailsOnlyOnANegativeCode) {
  const struct {
    ResultCode code;
    Messages messages;
  } cases[] = {
      {kOk, {}},
      {kFalse, {}},
      {0x7fffffff, {}},
      {kFail, {App("Error in CoInitializeSecurity")}},
      {-1, {App("Error in CoInitializeSecurity")}},
  };
  for (const auto& row : cases) {
    ScriptedService service;
    service.AddObject(kModelQuery).Property(u"Model", MakeStringValue(u"Box"));
    service.FailInitializeSecurity(row.code);
    ScriptedMessageDisplay messages;
    ScriptedFileServices files;
    EXPECT_EQ(RunHwident(Platform{service, messages, files}, ""), 0);
    EXPECT_EQ(messages.shown, row.messages) << row.code;
    // The run goes on either way.
    EXPECT_EQ(files.files[kReport].content, "Model = \"Box\"\r\n") << row.code;
  }
}

TEST_F(RunTest, ApartmentResultIsNotExamined) {
  service_.SetApartmentResult(kFail);
  Run("A;x");
  EXPECT_EQ(messages_.shown, Messages{});
  EXPECT_EQ(Report(), "Model = \"Box\"\r\nx = \"Ax\"\r\n");
}

TEST_F(RunTest, WithoutALocatorNoRequestIsMade) {
  service_.FailCreateLocator();
  Run("A;x B C;y");
  EXPECT_EQ(messages_.shown, (Messages{App("Failed to create IWbemLocator object"), App("B - ")}));
  EXPECT_TRUE(service_.connectedNamespaces().empty());
  EXPECT_TRUE(service_.queries().empty());
  EXPECT_EQ(files_.files.count(kReport), 1u);
  EXPECT_EQ(Report(), "");
  EXPECT_EQ(service_.Outstanding(), ScriptedOutstanding{});
}

TEST_F(RunTest, WithoutAConnectionNoRequestIsMade) {
  service_.FailConnectServer();
  Run(";;; A;x");
  EXPECT_EQ(messages_.shown, (Messages{App("Bad namespace"), App(" - ")}));
  EXPECT_EQ(service_.connectedNamespaces(), Queries{u"\\\\.\\root\\cimv2"});
  EXPECT_TRUE(service_.queries().empty());
  EXPECT_EQ(service_.locatorReleases(), 1);
  EXPECT_EQ(Report(), "");
  EXPECT_EQ(service_.Outstanding(), ScriptedOutstanding{});
}

TEST_F(RunTest, ReportMessagesComeLast) {
  files_.failures.open = true;
  service_.FailInitializeSecurity();
  Run("A");
  EXPECT_EQ(messages_.shown, (Messages{App("Error in CoInitializeSecurity"), App("A - "),
                                       Plain(std::string("Can not open ") + kReport)}));
}

TEST_F(RunTest, FailedExpansionDiscardsTheLines) {
  files_.failures.expansion = true;
  Run("A;x");
  EXPECT_EQ(messages_.shown, Messages{Plain("Can not expand environment string")});
  EXPECT_EQ(EntryQueries(), Queries{u"Select * from A"});
  EXPECT_TRUE(files_.files.empty());
}

}  // namespace
}  // namespace hwident
