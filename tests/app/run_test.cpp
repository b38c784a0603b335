#include "app/run.h"

#include <gtest/gtest.h>

#include <optional>
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
constexpr char kModelLine[] = "Model = \"Box\"\r\n";

ShownMessage App(std::string text) {
  return {MessageStyle::kApp, std::move(text)};
}
ShownMessage Plain(std::string text) {
  return {MessageStyle::kPlain, std::move(text)};
}

// One run of the program on scripted pieces: a computer with the model "Box"
// and classes A and B whose one object has the properties x and y.
struct Scene {
  Scene() {
    g_reportLines.clear();
    service.AddObject(kModelQuery).Property(u"Model", MakeStringValue(u"Box"));
    for (const char16_t* name : {u"A", u"B"}) {
      service.AddObject(std::u16string(u"Select * from ") + name)
          .Property(u"x", MakeStringValue(std::u16string(name) + u"x"))
          .Property(u"y", MakeStringValue(std::u16string(name) + u"y"));
    }
  }

  // Every run starts the object system once, ends with exit code 0, and
  // leaves nothing misused and no line over.
  void Run(std::string_view commandLine) {
    EXPECT_EQ(RunHwident(Platform{service, messages, files}, commandLine), 0) << commandLine;
    EXPECT_EQ(service.apartmentCalls(), 1);
    EXPECT_EQ(service.securityCalls(), 1);
    EXPECT_EQ(service.Misuses(), std::vector<std::string>{});
    EXPECT_TRUE(g_reportLines.empty());
  }

  // Makes the named call fail.
  void Fail(std::string_view call) {
    if (call == "apartment") service.SetApartmentResult(kFail);
    if (call == "security+") service.FailInitializeSecurity(kFalse);
    if (call == "security") service.FailInitializeSecurity(kFail);
    if (call == "locator") service.FailCreateLocator();
    if (call == "connection") service.FailConnectServer();
    if (call == "connection+") service.FailConnectServer(kInvalidNamespace, true);
    files.failures.open = call == "open";
    files.failures.expansion = call == "expansion";
  }

  // The query texts in order; every query is in WQL.
  Queries QueryTexts() const {
    Queries texts;
    for (const ScriptedQueryCall& call : service.queries()) {
      EXPECT_EQ(call.language, u"WQL");
      texts.push_back(call.text);
    }
    return texts;
  }

  // The report's bytes; nullopt when it was never written.
  std::optional<std::string> Report() const {
    const auto found = files.files.find(kReport);
    if (found == files.files.end()) return std::nullopt;
    return found->second.content;
  }

  ScriptedService service;
  ScriptedMessageDisplay messages;
  ScriptedFileServices files;
};

TEST(Run, CommandLineGrammar) {
  const struct {
    const char* commandLine;
    Queries classes;  // asked for after the model, in order
    Messages messages;
    const char* lines;  // after the model line
  } cases[] = {
      // Runs of spaces separate entries; the lines follow the entries in order.
      {"B;y   A;x B;y   ", {u"B", u"A", u"B"}, {}, "y = \"By\"\r\nx = \"Ax\"\r\ny = \"By\"\r\n"},
      {"A;;;x", {u"A"}, {}, "x = \"Ax\"\r\n"},
      {"A;x;y", {u"A"}, {}, "x = \"Ax\"\r\n"},  // after a second ';': unread
      {"A;x\tB;y", {u"A"}, {}, ""},             // a tab does not split: no property "x\tB"
      // Without a property list: the message, and no request.
      {"A B;y A;", {u"B"}, {App("A - "), App("A - ")}, "y = \"By\"\r\n"},
      {";Model", {}, {App("Model - ")}, ""},
      {";;;", {}, {App(" - ")}, ""},
  };
  for (const auto& row : cases) {
    Scene scene;
    scene.Run(row.commandLine);
    Queries queries{kModelQuery};
    for (const std::u16string& name : row.classes) queries.push_back(u"Select * from " + name);
    EXPECT_EQ(scene.QueryTexts(), queries) << row.commandLine;
    EXPECT_EQ(scene.messages.shown, row.messages) << row.commandLine;
    EXPECT_EQ(scene.Report(), kModelLine + std::string(row.lines)) << row.commandLine;
  }
}

// Each failure is told in its style and the run goes as far as it can: without
// a connection no request is made, yet entries without a list are still told
// and the report is still written; the report's own messages come last.
TEST(Run, FailuresAreToldAndTheRunGoesOn) {
  const Queries cimv2{u"\\\\.\\root\\cimv2"};
  const Queries asked{kModelQuery, u"Select * from A"};
  const std::string lines = kModelLine + std::string("x = \"Ax\"\r\n");
  const struct {
    const char* call;  // that fails
    bool connected;
    Messages messages;
    std::optional<std::string> report;
  } cases[] = {
      {"nothing", true, {App("B - ")}, lines},
      {"apartment", true, {App("B - ")}, lines},  // its result is never examined
      {"security+", true, {App("B - ")}, lines},  // a positive code is a success
      {"security", true, {App("Error in CoInitializeSecurity"), App("B - ")}, lines},
      {"locator", false, {App("Failed to create IWbemLocator object"), App("B - ")}, ""},
      {"connection", false, {App("Bad namespace"), App("B - ")}, ""},
      // A pointer handed back by the failed call is released, not used.
      {"connection+", false, {App("Bad namespace"), App("B - ")}, ""},
      {"open", true, {App("B - "), Plain("Can not open C:\\Windows\\Model.txt")}, std::nullopt},
      {"expansion", true, {App("B - "), Plain("Can not expand environment string")}, std::nullopt},
  };
  for (const auto& row : cases) {
    Scene scene;
    scene.Fail(row.call);
    scene.Run("A;x B");
    EXPECT_EQ(scene.messages.shown, row.messages) << row.call;
    EXPECT_EQ(scene.QueryTexts(), row.connected ? asked : Queries{}) << row.call;
    EXPECT_EQ(scene.Report(), row.report) << row.call;
    const bool located = row.call != std::string_view("locator");
    EXPECT_EQ(scene.service.connectedNamespaces(), located ? cimv2 : Queries{}) << row.call;
    // Only a connection that was made is held, until the process ends; the
    // locator and every text go at once.
    const ScriptedOutstanding held{.services = row.connected ? 1 : 0};
    EXPECT_EQ(scene.service.Outstanding(), held) << row.call;
  }
}

}  // namespace
}  // namespace hwident
