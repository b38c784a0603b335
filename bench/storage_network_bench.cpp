#include <benchmark/benchmark.h>

#include <string>

#include "collect/collect_properties.h"
#include "collect/report_lines.h"
#include "platform/linux/provider/service/native_object_system.h"

namespace hwident {
namespace {

// One request against the native provider over the storage fixture (16
// SATA disks of four partitions each, 16 mounted volumes, 8 network ports),
// as the program makes it: connect, query, walk every object and every
// property, render the lines. Addresses come from this machine's
// getifaddrs, as they would on a live run.
void QueryStorage(benchmark::State& state, const char* query, const char* properties) {
  NativeObjectSystem system(std::string(HWIDENT_FIXTURES_DIR) + "/storage-bench/root");
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

BENCHMARK_CAPTURE(QueryStorage, DiskDrive, "select * from Win32_DiskDrive",
                  "Model,SerialNumber,Size,PNPDeviceID,Partitions,InterfaceType")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(QueryStorage, DiskPartition, "select * from Win32_DiskPartition",
                  "Name,Size,StartingOffset,Type,Bootable")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(QueryStorage, LogicalDisk, "select * from Win32_LogicalDisk",
                  "DeviceID,FileSystem,Size,FreeSpace,VolumeName,VolumeSerialNumber")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(QueryStorage, NetworkAdapter, "select * from Win32_NetworkAdapter",
                  "Name,MACAddress,PNPDeviceID,Speed,NetConnectionStatus")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(QueryStorage, NetworkAdapterConfiguration,
                  "select * from Win32_NetworkAdapterConfiguration",
                  "IPEnabled,DHCPEnabled,DNSDomain,MACAddress,IPAddress,DefaultIPGateway")
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace hwident
