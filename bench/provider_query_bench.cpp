#include <benchmark/benchmark.h>

#include <string>

#include "collect/collect_properties.h"
#include "collect/report_lines.h"
#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/service/class_schema.h"
#include "platform/linux/provider/service/native_object_system.h"

namespace hwident {
namespace {

// One request against the native provider over a fixture machine, as the
// program makes it: connect, query, walk every object and every property,
// render the lines. Live values (free space, interface addresses) come from
// this machine, as they would on a live run.
void QueryRoot(benchmark::State& state, const std::string& root, const std::string& query,
               const std::string& properties) {
  NativeObjectSystem system(root);
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

void QueryFixture(benchmark::State& state, const char* machine, const char* query,
                  const char* properties) {
  QueryRoot(state, std::string(HWIDENT_FIXTURES_DIR) + "/" + machine + "/root", query, properties);
}

// Cost beside the size of the machine: the run without arguments, a class
// that is not about processors, and every class with all its properties, on
// the notebook and on each large machine bench/make_scale_machines.py makes
// (1,024 logical CPUs; 300 PCI functions; 64 disks with 256 partitions and
// 32 ports).
// LoadPercentage is left out: it waits a second between two readings of
// the CPU counters, which says nothing about the machine's size.
std::string AllProperties(const ClassSchema& schema) {
  std::string list;
  for (const PropertySchema& property : schema.properties) {
    if (property.name == "LoadPercentage") continue;
    list += (list.empty() ? "" : ",") + std::string(property.name);
  }
  return list;
}

const bool kScaleRegistered = [] {
  const std::string laptop = std::string(HWIDENT_FIXTURES_DIR) + "/laptop/root";
  const std::string large = HWIDENT_SCALE_MACHINES_DIR;
  const std::pair<std::string, std::string> machines[] = {
      {"laptop", laptop},
      {"cpus-1024", large + "/cpus-1024/root"},
      {"pci-300", large + "/pci-300/root"},
      {"storage-64", large + "/storage-64/root"}};
  for (const auto& [name, root] : machines) {
    benchmark::RegisterBenchmark(("Default/" + name).c_str(), QueryRoot, root,
                                 "select * from Win32_ComputerSystem", "Model")
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("BiosManufacturer/" + name).c_str(), QueryRoot, root,
                                 "Select * from Win32_BIOS", "Manufacturer")
        ->Unit(benchmark::kMicrosecond);
  }
  // The account classes where their size shows: 10,000 accounts and 2,000
  // groups (root reads the shadow file too, an ordinary user does not).
  for (const char* name : {"Win32_UserAccount", "Win32_Group"}) {
    const ClassSchema* schema = FindProviderClass(name);
    benchmark::RegisterBenchmark((std::string(name) + "/accounts-10000").c_str(), QueryRoot,
                                 large + "/accounts-10000/root",
                                 "Select * from " + std::string(name), AllProperties(*schema))
        ->Unit(benchmark::kMillisecond);
  }
  // The running system where its size shows: every property, and what
  // inventory tools ask (a few properties of every process and service), of
  // 3,000 and 30,000 processes and of 500 service units.
  for (const char* count : {"3000", "30000"}) {
    const std::string root = large + "/processes-" + count + "/root";
    benchmark::RegisterBenchmark(("Win32_Process/processes-" + std::string(count)).c_str(),
                                 QueryRoot, root, "Select * from Win32_Process",
                                 AllProperties(ProcessClass()))
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("ProcessList/processes-" + std::string(count)).c_str(), QueryRoot,
                                 root, "Select * from Win32_Process",
                                 "ProcessId,ParentProcessId,Name,CommandLine,WorkingSetSize")
        ->Unit(benchmark::kMillisecond);
    // What the stat lines alone answer: no file beyond each process's stat.
    benchmark::RegisterBenchmark(("ProcessNames/processes-" + std::string(count)).c_str(),
                                 QueryRoot, root, "Select * from Win32_Process", "Name,ProcessId")
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("Win32_Service/services-500", QueryRoot,
                               large + "/services-500/root", "Select * from Win32_Service",
                               AllProperties(ServiceClass()))
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("ServiceList/services-500", QueryRoot, large + "/services-500/root",
                               "Select * from Win32_Service",
                               "Name,DisplayName,State,StartMode,PathName,ProcessId")
      ->Unit(benchmark::kMillisecond);
  // What an inventory of devices asks on 300 PCI functions: their ids
  // alone, which still lists every device the class answers.
  benchmark::RegisterBenchmark("PnPDeviceIds/pci-300", QueryRoot, large + "/pci-300/root",
                               "Select * from Win32_PnPEntity", "PNPDeviceID")
      ->Unit(benchmark::kMicrosecond);
  for (const ClassSchema* schema : ProviderClasses()) {
    for (const auto& [name, root] : machines) {
      benchmark::RegisterBenchmark((std::string(schema->name) + "/" + name).c_str(), QueryRoot,
                                   root, "Select * from " + std::string(schema->name),
                                   AllProperties(*schema))
          ->Unit(benchmark::kMicrosecond);
    }
  }
  return true;
}();

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
BENCHMARK_CAPTURE(QueryFixture, Printer, "desktop", "select * from Win32_Printer",
                  "Name,DriverName,PortName,PrinterStatus");
BENCHMARK_CAPTURE(QueryFixture, Share, "server", "select * from Win32_Share",
                  "Name,Path,Type,MaximumAllowed");
BENCHMARK_CAPTURE(QueryFixture, Processor, "laptop", "select * from Win32_Processor",
                  "Name,LoadPercentage");
// Eight input devices of which a keyboard, a touchpad and a pointing stick
// count.
BENCHMARK_CAPTURE(QueryFixture, Keyboard, "laptop", "select * from Win32_Keyboard",
                  "Name,PNPDeviceID,NumberOfFunctionKeys")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(QueryFixture, PointingDevice, "laptop", "select * from Win32_PointingDevice",
                  "Name,PNPDeviceID,PointingType,NumberOfButtons,DeviceInterface")
    ->Unit(benchmark::kMicrosecond);
// Every device of the notebook (PCI, USB, ACPI, codecs, monitors, disks) and
// its drivers.
BENCHMARK_CAPTURE(QueryFixture, PnPEntity, "laptop", "select * from Win32_PnPEntity",
                  "Name,PNPDeviceID,PNPClass,Service,ConfigManagerErrorCode")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(QueryFixture, PnPSignedDriver, "laptop", "select * from Win32_PnPSignedDriver",
                  "DeviceName,DriverName,DriverVersion,IsSigned")
    ->Unit(benchmark::kMicrosecond);

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
// Every partition's file system, 16 of the 64 mounted.
BENCHMARK_CAPTURE(QueryFixture, Volume, "storage-bench", "select * from Win32_Volume",
                  "DeviceID,Name,FileSystem,Capacity,FreeSpace,Label,SerialNumber,SystemVolume")
    ->Unit(benchmark::kMicrosecond);
// 200 loaded modules looked up in an index of 6000.
BENCHMARK_CAPTURE(QueryFixture, SystemDriver, "storage-bench", "select * from Win32_SystemDriver",
                  "Name,State,PathName,StartMode")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(QueryFixture, NetworkAdapter, "storage-bench",
                  "select * from Win32_NetworkAdapter",
                  "Name,MACAddress,PNPDeviceID,Speed,NetConnectionStatus")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(QueryFixture, NetworkAdapterConfiguration, "storage-bench",
                  "select * from Win32_NetworkAdapterConfiguration",
                  "IPEnabled,DHCPEnabled,DNSDomain,MACAddress,IPAddress,DefaultIPGateway")
    ->Unit(benchmark::kMicrosecond);

// The two-socket server's board, from its SMBIOS table (as root): six
// caches, six port connectors, four slots, four built-in devices.
BENCHMARK_CAPTURE(QueryFixture, CacheMemory, "server", "select * from Win32_CacheMemory",
                  "DeviceID,Purpose,Level,InstalledSize,BlockSize,Associativity,SystemName")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(QueryFixture, PortConnector, "server", "select * from Win32_PortConnector",
                  "Tag,ConnectorType,ExternalReferenceDesignator,PortType")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(QueryFixture, SystemSlot, "server", "select * from Win32_SystemSlot",
                  "Tag,SlotDesignation,CurrentUsage,BusNumber,DeviceNumber,FunctionNumber")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(QueryFixture, OnBoardDevice, "server", "select * from Win32_OnBoardDevice",
                  "Tag,Description,DeviceType,Enabled")
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace hwident
