#pragma once

#include <cstdint>
#include <deque>
#include <iosfwd>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/management_service.h"
#include "platform/scripted/scripted_service_values.h"

namespace hwident {

// An in-memory management service for tests, benchmarks and fuzzers. It
// answers the seam's operations from a script, can be told to fail any of
// them, records what the caller did and reports what the caller still holds.
//
// Scripting:
//
//   ScriptedService service;
//   service.AddObject(u"Select * from Win32_CDROMDrive")
//       .Property(u"Caption", MakeStringValue(u"Drive"))
//       .Property(u"DeviceID", MakeStringValue(u"IDE\\CDROMACME_____\\5&1"));
//   service.AddObject(u"Select * from Win32_CDROMDrive").FailBeginEnumeration();
//   service.AddQuery(u"Select * from Win32_Fan");              // no objects
//   service.RejectQuery(u"Select * from Bogus", kInvalidQuery);
//
//   ServiceConnection connection = service.Connect();  // services, ready
//   CollectProperties(connection, "Select * from Win32_CDROMDrive", "DeviceID");
//   connection.services->Release();
//   EXPECT_EQ(service.Outstanding(), ScriptedOutstanding{});
//
// Queries are matched by their exact text, case included. A query never
// scripted is rejected with kInvalidClass, as the service rejects a class it
// does not have. Each ExecQuery hands out a fresh enumerator over the query's
// objects in the order they were added; each enumerator Next hands out a fresh
// object, whose property walk gives the properties in the order they were
// added. Property values are handed out as deep copies, so the script can be
// run any number of times.
//
// Every object handed out stays owned by the service (Release only marks it),
// and every string or value still held by the caller when the service is
// destroyed is freed then, so a leak shows in Outstanding(), not as a crash
// or a sanitizer report. Using an object after its release, releasing it
// twice or freeing a string the service never handed out is recorded in
// Misuses(). Single-threaded, like the program.

// Property Next's "no more properties" (WBEM_S_NO_MORE_DATA).
inline constexpr ResultCode kNoMoreData = 0x40005;

// Objects, strings and values the caller received and has not given back.
struct ScriptedOutstanding {
  int locators = 0;
  int services = 0;
  int enumerators = 0;
  int objects = 0;
  int strings = 0;  // counted strings not freed (includes those of uncleared values)
  int values = 0;   // property values handed out minus values cleared

  bool Any() const;
  bool operator==(const ScriptedOutstanding&) const = default;
};
std::ostream& operator<<(std::ostream& out, const ScriptedOutstanding& outstanding);

// One ExecQuery call as the service saw it.
struct ScriptedQueryCall {
  std::u16string language;
  std::u16string text;
  std::int32_t flags = 0;
};

// One scripted result object: its properties and how it should misbehave.
// Returned by reference from AddObject; the reference stays valid for the
// service's life, so it may be kept and changed between runs.
class ScriptedObject {
 public:
  // Adds a property at the end of the walk order. The script takes the
  // value (and what it owns) and frees it when the service goes away.
  ScriptedObject& Property(std::u16string_view name, Variant value);
  // BeginEnumeration on this object returns code.
  ScriptedObject& FailBeginEnumeration(ResultCode code = kFail);
  // The call-th property Next after each BeginEnumeration (1 = first)
  // returns code and hands out nothing; later calls keep failing.
  ScriptedObject& FailPropertyNext(int call, ResultCode code = kFail);

  ScriptedObject() = default;
  ScriptedObject(const ScriptedObject&) = delete;
  ScriptedObject& operator=(const ScriptedObject&) = delete;
  ~ScriptedObject();

 private:
  friend class ScriptedService;
  std::vector<std::pair<std::u16string, Variant>> properties_;
  ResultCode beginResult_ = kOk;
  int failingNextCall_ = 0;  // 0: never fails
  ResultCode nextFailure_ = kOk;
};

class ScriptedService final : public ObjectSystem {
 public:
  ScriptedService();
  ~ScriptedService() override;
  ScriptedService(const ScriptedService&) = delete;
  ScriptedService& operator=(const ScriptedService&) = delete;

  // --- The script ---------------------------------------------------------

  // Declares the query (if new) and adds one result object at its end.
  ScriptedObject& AddObject(std::u16string_view query);
  // Declares a query that succeeds with no objects.
  void AddQuery(std::u16string_view query);
  // ExecQuery of this exact text returns code and no enumerator.
  void RejectQuery(std::u16string_view query, ResultCode code = kInvalidQuery);
  // The call-th Next (1 = first) on every enumerator of this query returns
  // code with no object; later calls keep failing.
  void FailEnumeratorNext(std::u16string_view query, int call, ResultCode code = kFail);

  void SetApartmentResult(ResultCode code) { apartmentResult_ = code; }
  // The program treats only negative codes as a security failure.
  void FailInitializeSecurity(ResultCode code = kFail) { securityResult_ = code; }
  void FailCreateLocator(ResultCode code = kFail) { locatorResult_ = code; }
  // A faulty service may hand back a connection even when the call fails.
  void FailConnectServer(ResultCode code = kInvalidNamespace, bool handBack = false) {
    connectResult_ = code;
    connectHandsBack_ = handBack;
  }
  // AllocString (or AllocStringLen) returns null from now on.
  void FailAllocString(bool fail = true) { failAllocString_ = fail; }
  void FailAllocStringLen(bool fail = true) { failAllocStringLen_ = fail; }

  // A connection as a successful ConnectServer would give, without locator
  // or recording: the caller releases connection.services.
  ServiceConnection Connect();

  // --- What the caller did ------------------------------------------------

  int apartmentCalls() const { return apartmentCalls_; }
  int securityCalls() const { return securityCalls_; }
  // The namespace text of every ConnectServer call, failed ones included.
  const std::vector<std::u16string>& connectedNamespaces() const { return namespaces_; }
  const std::vector<ScriptedQueryCall>& queries() const { return queries_; }
  // Flags of every BeginEnumeration call, in order.
  const std::vector<std::int32_t>& beginEnumerationFlags() const { return beginFlags_; }
  int endEnumerationCalls() const { return endEnumerations_; }
  int locatorReleases() const { return locatorReleases_; }
  int servicesReleases() const { return servicesReleases_; }
  int enumeratorReleases() const { return enumeratorReleases_; }
  int objectReleases() const { return objectReleases_; }
  // Type tag of every value passed to ClearValue, in order.
  const std::vector<std::uint16_t>& clearedValueTypes() const { return clearedTypes_; }
  int valueClears() const { return static_cast<int>(clearedTypes_.size()); }
  // The text of every string passed to FreeString (null ones as empty).
  const std::vector<std::u16string>& freedStrings() const { return freedStrings_; }
  // Wrong uses of the seam, one sentence each; empty when the caller behaved.
  const std::vector<std::string>& Misuses() const { return misuses_; }

  ScriptedOutstanding Outstanding() const;

  // For benchmarks and fuzzers that run the script many times: destroys the
  // objects the caller has released and forgets every record above, so the
  // service's memory stays flat. What is still held stays outstanding.
  void ForgetReleased();

  // --- ObjectSystem -------------------------------------------------------

  ResultCode InitializeApartment() override;
  ResultCode InitializeSecurity() override;
  ResultCode CreateLocator(Locator** locator) override;
  CountedString AllocString(const WideChar* text) override;
  CountedString AllocStringLen(const WideChar* text, std::uint32_t length) override;
  void FreeString(CountedString text) override;
  void ClearValue(Variant* value) override;

 private:
  class LiveLocator;
  class LiveServices;
  class LiveEnumerator;
  class LiveObject;

  struct QueryScript {
    ResultCode result = kOk;
    int failingNextCall = 0;  // 0: never fails
    ResultCode nextFailure = kOk;
    std::vector<ScriptedObject*> objects;
  };

  QueryScript& Query(std::u16string_view query);
  ResultCode ConnectServer(CountedString ns, Services** services);
  ResultCode ExecQuery(CountedString language, CountedString query, std::int32_t flags,
                       ObjectEnumerator** enumerator);
  Services* NewServices();
  ClassObject* NewObject(const ScriptedObject& script);
  CountedString Track(CountedString text);
  Variant HandOut(const Variant& value);
  void Untrack(Variant* value);
  void Misuse(std::string what);

  std::map<std::u16string, QueryScript, std::less<>> queryScripts_;
  std::deque<ScriptedObject> objects_;
  std::vector<std::unique_ptr<LiveLocator>> locators_;
  std::vector<std::unique_ptr<LiveServices>> services_;
  std::vector<std::unique_ptr<LiveEnumerator>> enumerators_;
  std::vector<std::unique_ptr<LiveObject>> liveObjects_;
  std::set<CountedString> liveStrings_;
  std::set<HeapArray*> liveArrays_;

  ResultCode apartmentResult_ = kOk;
  ResultCode securityResult_ = kOk;
  ResultCode locatorResult_ = kOk;
  ResultCode connectResult_ = kOk;
  bool connectHandsBack_ = false;
  bool failAllocString_ = false;
  bool failAllocStringLen_ = false;

  int apartmentCalls_ = 0;
  int securityCalls_ = 0;
  std::vector<std::u16string> namespaces_;
  std::vector<ScriptedQueryCall> queries_;
  std::vector<std::int32_t> beginFlags_;
  int endEnumerations_ = 0;
  int locatorReleases_ = 0;
  int servicesReleases_ = 0;
  int enumeratorReleases_ = 0;
  int objectReleases_ = 0;
  int valuesHandedOut_ = 0;
  std::vector<std::uint16_t> clearedTypes_;
  std::vector<std::u16string> freedStrings_;
  std::vector<std::string> misuses_;
};

}  // namespace hwident
