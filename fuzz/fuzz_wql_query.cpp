// The provider's query parser, alone and through ExecQuery on an empty
// machine: a class it names must be found again in the query it came from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz_machine_support.h"
#include "platform/linux/provider/service/class_schema.h"
#include "platform/linux/provider/service/native_object_system.h"
#include "platform/linux/provider/service/wql_query.h"
#include "platform/linux/provider/values/firmware_text.h"
#include "platform/wide_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view query(reinterpret_cast<const char*>(data), size);
  if (const auto name = hwident::ParseSelectAll(query)) {
    if (name->empty() || query.find(*name) == std::string_view::npos) std::abort();
    // Parsing the plainest spelling of the same query gives the same class.
    if (hwident::ParseSelectAll("select * from " + *name) != name) std::abort();
  }
  hwident::IsServedNamespace(query);

  hwident::NativeObjectSystem objects(std::make_shared<hwident::MemorySourceReader>(),
                                      std::make_shared<hwident::fuzz::PickedLiveFacts>(4));
  hwident::Locator* locator = nullptr;
  if (objects.CreateLocator(&locator) != hwident::kOk) std::abort();
  const hwident::CountedString ns = objects.AllocString(u"\\\\.\\root\\cimv2");
  hwident::Services* services = nullptr;
  if (locator->ConnectServer(ns, 0, &services) != hwident::kOk) std::abort();
  objects.FreeString(ns);
  locator->Release();
  const hwident::WideText wide = hwident::NarrowToWide(query);
  const hwident::CountedString text =
      objects.AllocStringLen(wide.data(), static_cast<std::uint32_t>(wide.size()));
  const hwident::CountedString language = objects.AllocString(u"WQL");
  hwident::ObjectEnumerator* enumerator = nullptr;
  const hwident::ResultCode result = services->ExecQuery(language, text, 0, &enumerator);
  // A query the parser takes for a class the provider answers must run. The
  // provider reads the whole counted string, NULs too, as ASCII.
  const auto name = hwident::ParseSelectAll(hwident::AsciiFromWide(wide));
  if (name && hwident::FindProviderClass(*name) != nullptr && result != hwident::kOk) std::abort();
  if (enumerator != nullptr) enumerator->Release();
  objects.FreeString(language);
  objects.FreeString(text);
  services->Release();
  return 0;
}
