#include "app/run.h"

#include "collect/collect_properties.h"
#include "report/write_model_file.h"
#include "text/tokenizer.h"

namespace hwident {
namespace {

// The local computer's standard namespace, \\.\root\cimv2.
constexpr std::string_view kNamespace = "\\\\.\\root\\cimv2";

// Connects to the namespace. Null, after the message saying why, when no
// connection could be made.
Services* Connect(ObjectSystem& objects, MessageDisplay& messages) {
  const WideText name = NarrowToWide(kNamespace);
  const CountedString nameText =
      objects.AllocStringLen(name.data(), static_cast<std::uint32_t>(name.size()));
  Locator* locator = nullptr;
  if (objects.CreateLocator(&locator) != kOk) {
    messages.ShowAppMessage("Failed to create IWbemLocator object");
    objects.FreeString(nameText);
    return nullptr;
  }
  Services* services = nullptr;
  if (locator->ConnectServer(nameText, 0, &services) != kOk) {
    messages.ShowAppMessage("Bad namespace");
    // A failed call should leave null there; what a faulty one handed back
    // anyway is not a connection, but it is still ours to release.
    if (services != nullptr) services->Release();
    services = nullptr;
  }
  objects.FreeString(nameText);
  locator->Release();
  return services;
}

// The connection is lent to every request and never released: process exit
// ends it. Holding it here, reachable until then, says so to leak checkers.
Services* HoldForTheProcess(Services* services) {
  static Services* held = nullptr;
  held = services;
  return held;
}

// Without a connection a request cannot give lines; it is skipped.
void Request(const ServiceConnection& connection, const NarrowText& query,
             const NarrowText& propertyList) {
  if (connection.services == nullptr) return;
  CollectProperties(connection, query, propertyList);
}

// One request per entry "class;name1,name2". Only the space separates
// entries (a tab stays inside one); runs of semicolons count as one and a
// part after the second is never read.
void RequestEntries(const ServiceConnection& connection, MessageDisplay& messages,
                    std::string_view commandLine) {
  CTokenizer entries(commandLine, " ");
  NarrowText entry;
  while (entries.NextToken(entry)) {
    CTokenizer parts(entry, ";");
    NarrowText className;
    NarrowText propertyList;
    parts.NextToken(className);
    parts.NextToken(propertyList);
    if (propertyList.empty()) {
      messages.ShowAppMessage(className + " - " + propertyList);
      continue;
    }
    Request(connection, "Select * from " + className, propertyList);
  }
}

}  // namespace

int RunHwident(const Platform& platform, std::string_view commandLine) {
  ObjectSystem& objects = platform.objects;
  // Joining the apartment can only fail in ways the later calls report.
  objects.InitializeApartment();
  // Positive codes are qualified successes; only negative ones failed.
  if (objects.InitializeSecurity() < 0) {
    platform.messages.ShowAppMessage("Error in CoInitializeSecurity");
  }
  const ServiceConnection connection{objects,
                                     HoldForTheProcess(Connect(objects, platform.messages))};

  Request(connection, "select * from Win32_ComputerSystem", "Model");
  RequestEntries(connection, platform.messages, commandLine);
  WriteModelFile(platform.files, platform.messages);
  return 0;
}

}  // namespace hwident
