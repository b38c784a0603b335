#include <benchmark/benchmark.h>

#include <string>

#include "collect/collect_properties.h"
#include "collect/report_lines.h"
#include "platform/linux/provider/service/native_object_system.h"

namespace hwident {
namespace {

// One request against the native provider over the notebook fixture (a GPU
// with four outputs, two HD Audio codecs, four power supplies), as the
// program makes it: connect, query, walk every object, render the lines.
// The processor query includes the real wait between its two load readings.
void QueryLaptop(benchmark::State& state, const char* query, const char* properties) {
  NativeObjectSystem system(std::string(HWIDENT_FIXTURES_DIR) + "/laptop/root");
  Locator* locator = nullptr;
  Services* services = nullptr;
  CountedString ns = system.AllocString(u"\\\\.\\root\\cimv2");
  if (system.CreateLocator(&locator) != 0 || locator->ConnectServer(ns, 0, &services) != 0) {
    state.SkipWithError("no connection");
    return;
  }
  system.FreeString(ns);
  locator->Release();
  const ServiceConnection connection{system, services};
  for (auto _ : state) {
    CollectProperties(connection, query, properties);
    g_reportLines.clear();
  }
  services->Release();
}

BENCHMARK_CAPTURE(QueryLaptop, VideoController, "select * from Win32_VideoController",
                  "Name,PNPDeviceID,CurrentHorizontalResolution,CurrentRefreshRate");
BENCHMARK_CAPTURE(QueryLaptop, DesktopMonitor, "select * from Win32_DesktopMonitor",
                  "Name,MonitorManufacturer,ScreenWidth,PNPDeviceID");
BENCHMARK_CAPTURE(QueryLaptop, SoundDevice, "select * from Win32_SoundDevice", "Name,PNPDeviceID");
BENCHMARK_CAPTURE(QueryLaptop, Battery, "select * from Win32_Battery",
                  "DesignCapacity,EstimatedRunTime,DeviceID");
BENCHMARK_CAPTURE(QueryLaptop, Processor, "select * from Win32_Processor", "Name,LoadPercentage")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace hwident
