// A whole machine from the input, every class and every property of the
// native provider read through the real query path: the object system, the
// core's collection and its rendering of each value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "collect/collect_properties.h"
#include "collect/report_lines.h"
#include "fuzz_machine_support.h"
#include "platform/linux/provider/service/class_schema.h"
#include "platform/linux/provider/service/native_object_system.h"

namespace {

hwident::Services* Connect(hwident::ObjectSystem& objects) {
  const hwident::CountedString name = objects.AllocString(u"\\\\.\\root\\cimv2");
  hwident::Locator* locator = nullptr;
  if (objects.CreateLocator(&locator) != hwident::kOk) std::abort();
  hwident::Services* services = nullptr;
  if (locator->ConnectServer(name, 0, &services) != hwident::kOk) std::abort();
  objects.FreeString(name);
  locator->Release();
  return services;
}

}  // namespace

// Input: one byte picking the live facts, then the machine's file records
// (see MachineFromRecords).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  auto live = std::make_shared<hwident::fuzz::PickedLiveFacts>(data[0]);
  hwident::NativeObjectSystem objects(hwident::fuzz::MachineFromRecords(input.substr(1)), live);
  const hwident::ServiceConnection connection{objects, Connect(objects)};
  for (const hwident::ClassSchema* schema : hwident::ProviderClasses()) {
    std::string properties;
    for (const hwident::PropertySchema& property : schema->properties) {
      properties += std::string(property.name) + ",";
    }
    hwident::CollectProperties(connection, "Select * from " + std::string(schema->name),
                               properties);
  }
  hwident::g_reportLines.clear();
  connection.services->Release();
  return 0;
}
