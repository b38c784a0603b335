#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "collect/collect_properties.h"
#include "collect/report_lines.h"
#include "platform/scripted/scripted_service.h"

namespace {

// One service for the whole run: drives with a few properties, the second
// one refusing its walk, the third failing after one property.
hwident::ScriptedService& Service() {
  static hwident::ScriptedService* service = [] {
    auto* made = new hwident::ScriptedService;
    for (int drive = 0; drive < 4; ++drive) {
      auto& object = made->AddObject(u"Select * from Win32_CDROMDrive")
                         .Property(u"DeviceID", hwident::MakeStringValue(u"IDE\\CDROMA_B\\1"))
                         .Property(u"Caption", hwident::MakeNullStringValue())
                         .Property(u"Drive", hwident::MakeI4Value(drive));
      if (drive == 1) object.FailBeginEnumeration();
      if (drive == 2) object.FailPropertyNext(2);
    }
    return made;
  }();
  return *service;
}

}  // namespace

// Input: the property list. Whatever it holds, the request gives back every
// string, value and object it received.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  hwident::ScriptedService& service = Service();
  const hwident::ServiceConnection connection = service.Connect();
  const std::string list(reinterpret_cast<const char*>(data), size);
  hwident::CollectProperties(connection, "Select * from Win32_CDROMDrive", list);
  hwident::g_reportLines.clear();
  connection.services->Release();
  if (service.Outstanding().Any() || !service.Misuses().empty()) std::abort();
  service.ForgetReleased();
  return 0;
}
