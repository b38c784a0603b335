#include <benchmark/benchmark.h>

#include "collect/collect_properties.h"
#include "collect/report_lines.h"
#include "platform/scripted/scripted_service.h"

namespace hwident {
namespace {

constexpr char16_t kWideQuery[] = u"Select * from Win32_CDROMDrive";
constexpr char kQuery[] = "Select * from Win32_CDROMDrive";

// A scripted service with many drives of eight properties each; the request
// asks for two of them, one with the identifier rewrite.
void BM_CollectProperties(benchmark::State& state) {
  ScriptedService service;
  for (std::int64_t drive = 0; drive < state.range(0); ++drive) {
    service.AddObject(kWideQuery)
        .Property(u"Availability", MakeI4Value(3))
        .Property(u"Caption", MakeStringValue(u"ACME DRIVE-1"))
        .Property(u"DeviceID", MakeStringValue(u"IDE\\CDROMACME_DRIVE-1_____2.0____\\5&1A2B&0"))
        .Property(u"Drive", MakeStringValue(u"E:"))
        .Property(u"MediaLoaded", MakeBoolValue(false))
        .Property(u"Manufacturer", MakeStringValue(u"ACME"))
        .Property(u"SCSIBus", MakeI4Value(0))
        .Property(u"TransferRate", MakeR8Value(-1));
  }
  const ServiceConnection connection = service.Connect();
  for (auto _ : state) {
    CollectProperties(connection, kQuery, "DeviceID,Drive");
    g_reportLines.clear();
    // Keeps the service's records and released objects from piling up.
    service.ForgetReleased();
  }
  connection.services->Release();
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CollectProperties)->Arg(1)->Arg(100)->Arg(1000);

}  // namespace
}  // namespace hwident
