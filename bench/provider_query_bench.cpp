#include <benchmark/benchmark.h>

#include <string>

#include "collect/collect_properties.h"
#include "collect/report_lines.h"
#include "platform/linux/provider/service/native_object_system.h"

namespace hwident {
namespace {

// One request against the native provider over a fixture machine, as the
// program makes it: connect, query, walk every object and every property,
// render the lines. Live values (free space, interface addresses) come from
// this machine, as they would on a live run.
void QueryFixture(benchmark::State& state, const char* machine, const char* query,
                  const char* properties) {
  NativeObjectSystem system(std::string(HWIDENT_FIXTURES_DIR) + "/" + machine + "/root");
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

// The notebook: a GPU with four outputs, two HD Audio codecs, four power
// supplies.
BENCHMARK_CAPTURE(QueryFixture, VideoController, "laptop", "select * from Win32_VideoController",
                  "Name,PNPDeviceID,CurrentHorizontalResolution,CurrentRefreshRate");
BENCHMARK_CAPTURE(QueryFixture, DesktopMonitor, "laptop", "select * from Win32_DesktopMonitor",
                  "Name,MonitorManufacturer,ScreenWidth,PNPDeviceID");
BENCHMARK_CAPTURE(QueryFixture, SoundDevice, "laptop", "select * from Win32_SoundDevice",
                  "Name,PNPDeviceID");
BENCHMARK_CAPTURE(QueryFixture, Battery, "laptop", "select * from Win32_Battery",
                  "DesignCapacity,EstimatedRunTime,DeviceID");
BENCHMARK_CAPTURE(QueryFixture, Processor, "laptop", "select * from Win32_Processor",
                  "Name,LoadPercentage");

// The storage machine: 16 SATA disks of four partitions each, 16 mounted
// volumes, 8 network ports.
BENCHMARK_CAPTURE(QueryFixture, DiskDrive, "storage-bench", "select * from Win32_DiskDrive",
                  "Model,SerialNumber,Size,PNPDeviceID,Partitions,InterfaceType")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(QueryFixture, DiskPartition, "storage-bench", "select * from Win32_DiskPartition",
                  "Name,Size,StartingOffset,Type,Bootable")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(QueryFixture, LogicalDisk, "storage-bench", "select * from Win32_LogicalDisk",
                  "DeviceID,FileSystem,Size,FreeSpace,VolumeName,VolumeSerialNumber")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(QueryFixture, NetworkAdapter, "storage-bench",
                  "select * from Win32_NetworkAdapter",
                  "Name,MACAddress,PNPDeviceID,Speed,NetConnectionStatus")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(QueryFixture, NetworkAdapterConfiguration, "storage-bench",
                  "select * from Win32_NetworkAdapterConfiguration",
                  "IPEnabled,DHCPEnabled,DNSDomain,MACAddress,IPAddress,DefaultIPGateway")
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace hwident
