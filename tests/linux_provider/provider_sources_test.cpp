// Where values come from: root-only files, the newline rule, links in the
// tree, and which files each class may open.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "collect/collect_properties.h"
#include "collect/report_lines.h"
#include "platform/linux/provider/service/class_schema.h"
#include "platform/linux/provider/sources/system/processor_topology.h"
#include "provider_test_support.h"

namespace hwident::test {
namespace {

namespace fs = std::filesystem;

// A scratch machine tree, removed when the test ends.
class TempTree {
 public:
  TempTree() {
    char pattern[] = "/tmp/hwident-provider-XXXXXX";
    root_ = ::mkdtemp(pattern);
  }
  ~TempTree() { fs::remove_all(root_); }
  void Write(const std::string& path, const std::string& content) {
    const fs::path full = root_ + path;
    fs::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary) << content;
  }
  void Link(const std::string& path, const std::string& target) {
    const fs::path full = root_ + path;
    fs::create_directories(full.parent_path());
    fs::create_symlink(target, full);
  }
  NativeObjectSystem Provider(bool asRoot = true) const {
    auto live = std::make_shared<FixedLiveFacts>();
    live->root = asRoot;
    return NativeObjectSystem(std::make_shared<RootedSourceReader>(root_, asRoot), live);
  }

 private:
  std::string root_;
};

// The root values themselves are pinned by the fixture reports; an ordinary
// user sees exactly the root-only ones as null and everything else alike.
// The desktop's memory modules come from udev's copy of the table then,
// which has every module value but the type detail and the array's use.
TEST(RootOnlySources, AreNullForAnOrdinaryUserAndNothingElseChanges) {
  const std::set<std::string> rootOnly = {
      "Win32_ComputerSystem.ChassisBootupState",
      "Win32_ComputerSystem.OEMStringArray",
      "Win32_ComputerSystem.PowerSupplyState",
      "Win32_ComputerSystem.ThermalState",
      "Win32_ComputerSystem.WakeUpType",
      "Win32_ComputerSystemProduct.IdentifyingNumber",
      "Win32_ComputerSystemProduct.UUID",
      "Win32_BIOS.BiosCharacteristics",
      "Win32_BIOS.BIOSVersion",
      "Win32_BIOS.SerialNumber",
      "Win32_BIOS.SMBIOSMajorVersion",
      "Win32_BIOS.SMBIOSMinorVersion",
      "Win32_BIOS.Version",
      "Win32_BaseBoard.ConfigOptions",
      "Win32_BaseBoard.HostingBoard",
      "Win32_BaseBoard.HotSwappable",
      "Win32_BaseBoard.Removable",
      "Win32_BaseBoard.Replaceable",
      "Win32_BaseBoard.RequiresDaughterBoard",
      "Win32_BaseBoard.SerialNumber",
      "Win32_SystemEnclosure.LockPresent",
      "Win32_SystemEnclosure.SecurityStatus",
      "Win32_SystemEnclosure.SerialNumber",
      "Win32_Processor.AssetTag",
      "Win32_Processor.CurrentVoltage",
      "Win32_Processor.ExtClock",
      "Win32_Processor.Family",
      "Win32_Processor.PartNumber",
      "Win32_Processor.SerialNumber",
      "Win32_Processor.SocketDesignation",
      "Win32_Processor.UpgradeMethod",
      "Win32_PhysicalMemory.TypeDetail",
      "Win32_PhysicalMemoryArray.Use",
      "Win32_Printer.Comment",
      "Win32_Printer.Default",
      "Win32_Printer.DriverName",
      "Win32_Printer.ExtendedPrinterStatus",
      "Win32_Printer.Local",
      "Win32_Printer.Location",
      "Win32_Printer.Network",
      "Win32_Printer.PortName",
      "Win32_Printer.PrinterState",
      "Win32_Printer.PrinterStatus",
      "Win32_Printer.Shared",
      "Win32_Printer.ShareName",
      "Win32_Printer.Status",
      "Win32_Printer.WorkOffline",
      // The shadow file's verdicts; the old-style account whose password
      // /etc/passwd holds itself keeps Disabled, PasswordRequired and
      // Status for everyone.
      "Win32_UserAccount.Disabled",
      "Win32_UserAccount.Lockout",
      "Win32_UserAccount.PasswordChangeable",
      "Win32_UserAccount.PasswordExpires",
      "Win32_UserAccount.PasswordRequired",
      "Win32_UserAccount.Status",
      // Another user's executable and descriptors, and one command line a
      // security policy refuses.
      "Win32_Process.CommandLine",
      "Win32_Process.ExecutablePath",
      "Win32_Process.HandleCount",
  };
  // Classes made of the table's records alone have no object at all then.
  const std::set<std::string> rootOnlyClasses = {
      "Win32_CacheMemory",
      "Win32_PortConnector",
      "Win32_SystemSlot",
      "Win32_OnBoardDevice",
  };
  FixtureProvider root = MakeFixtureProvider("desktop", true);
  FixtureProvider user = MakeFixtureProvider("desktop", false);
  std::set<std::string> nulled;
  for (const ClassSchema* schema : ProviderClasses()) {
    const std::string name(schema->name);
    const Objects asRoot = Query(*root.system, name);
    const Objects asUser = Query(*user.system, name);
    if (rootOnlyClasses.count(name) != 0) {
      EXPECT_FALSE(asRoot.empty()) << name;
      EXPECT_TRUE(asUser.empty()) << name;
      continue;
    }
    ASSERT_EQ(asUser.size(), asRoot.size()) << name;
    for (std::size_t object = 0; object < asRoot.size(); ++object) {
      for (const SeenProperty& property : asRoot[object]) {
        const std::string seen = ValueOf(asUser, property.name, object);
        if (seen == property.text) continue;
        EXPECT_EQ(seen, "<null>") << name << "." << property.name;
        nulled.insert(name + "." + property.name);
      }
    }
  }
  EXPECT_EQ(nulled, rootOnly);
  // Nor does the ordinary user's run open the root-only tables.
  for (const std::string& path : user.reader->Opened()) {
    EXPECT_EQ(path.find("/sys/firmware/dmi/tables/"), std::string::npos) << path;
    EXPECT_NE(path.find("/etc/cups/p"), 0u) << path;
    EXPECT_NE(path, "/etc/shadow");
  }
}

TEST(SysfsText, LosesOnlyItsOneTrailingNewline) {
  struct Row {
    std::string content;
    std::string model;
  } rows[] = {
      {"Box\n", "\"Box\""},     {"  Spaced Box  \n", "\"  Spaced Box  \""},
      {"Two\n\n", "\"Two\n\""}, {"NoNewline", "\"NoNewline\""},
      {"\n", "\"\""},           {"", "\"\""},
  };
  for (const Row& row : rows) {
    TempTree tree;
    tree.Write("/sys/class/dmi/id/product_name", row.content);
    NativeObjectSystem system = tree.Provider();
    EXPECT_EQ(ValueOf(Query(system, "Win32_ComputerSystem"), "Model"), row.model);
  }
}

TEST(OpticalDrives, ComeInNumberOrderAndALinkOutOfTheTreeNamesNothing) {
  TempTree tree;
  for (const char* name : {"sr10", "sr2"}) {
    const std::string device = "/sys/devices/host0/target0:0:0/0:0:" + std::string(name + 2) + ":0";
    tree.Write(device + "/vendor", "ACME    \n");
    tree.Write(device + "/model", std::string(name) + "\n");
    tree.Link("/sys/block/" + std::string(name) + "/device", "../../.." + device);
  }
  tree.Link("/sys/block/sr3/device", "/");            // absolute: leaves the tree
  tree.Link("/sys/block/sr4/device", "../../../..");  // climbs out of it
  NativeObjectSystem system = tree.Provider();
  const Objects objects = Query(system, "Win32_CDROMDrive");
  ASSERT_EQ(objects.size(), 4u);
  EXPECT_EQ(ValueOf(objects, "DeviceID", 0), "\"SCSI\\CDROM&VEN_ACME&PROD_SR2\\0&000200\"");
  EXPECT_EQ(ValueOf(objects, "DeviceID", 1), "<null>");
  EXPECT_EQ(ValueOf(objects, "DeviceID", 2), "<null>");
  EXPECT_EQ(ValueOf(objects, "DeviceID", 3), "\"SCSI\\CDROM&VEN_ACME&PROD_SR10\\0&000A00\"");
}

// The report prints nothing for arrays, so their elements are checked here.
TEST(Arrays, ArriveWithTheirElements) {
  FixtureProvider desktop = MakeFixtureProvider("desktop");
  EXPECT_EQ(ValueOf(Query(*desktop.system, "Win32_SystemEnclosure"), "ChassisTypes"), "{3 (0x3)}");
  const Objects drives = Query(*desktop.system, "Win32_CDROMDrive");
  EXPECT_EQ(ValueOf(drives, "Capabilities", 0), "{3 (0x3),4 (0x4),7 (0x7)}");
  EXPECT_EQ(ValueOf(drives, "Capabilities", 1), "{3 (0x3),7 (0x7)}");
}

// The run without arguments prints the model alone: on every fixture it
// reads the model's own file (the DMI name, else the device tree's) and
// nothing else of the machine.
TEST(Sources, TheModelAloneReadsOnlyTheModelsFile) {
  const std::set<std::string> modelFiles = {"/sys/class/dmi/id/product_name",
                                            "/proc/device-tree/model"};
  for (const char* machine : kMachines) {
    FixtureProvider provider = MakeFixtureProvider(machine);
    Services* services = nullptr;
    ASSERT_EQ(Connect(*provider.system, &services), 0);
    g_reportLines.clear();
    CollectProperties(ServiceConnection{*provider.system, services},
                      "select * from Win32_ComputerSystem", "Model");
    EXPECT_EQ(g_reportLines.size(), 1u) << machine;
    g_reportLines.clear();
    services->Release();
    const std::vector<std::string> opened = provider.reader->Opened();
    if (std::string(machine) == "desktop") {
      EXPECT_EQ(opened, std::vector<std::string>{"/sys/class/dmi/id/product_name"});
    }
    for (const std::string& path : opened) {
      EXPECT_EQ(modelFiles.count(path), 1u) << machine << " opened " << path;
    }
  }
}

// On every fixture, each class opens only files below its own sources (so a
// query never reads another class's), opens each file once, and the class
// the model comes from opens only a handful.
TEST(Sources, EachClassOpensOnlyItsOwnFilesAndEachOnce) {
  // The controllers read their PCI functions, the names the hardware
  // database gives them and the computer's name.
  const std::vector<std::string> kControllerSources = {
      "/sys/bus/pci/devices/",   "/sys/devices/",      "/run/udev/data/+pci:",
      "/usr/share/misc/pci.ids", "/usr/share/hwdata/", "/proc/sys/kernel/hostname"};
  // Every device: the buses, the classes the sound, display and storage
  // classes read for the same devices, the driver modules and the
  // computer's name.
  const std::vector<std::string> kDeviceSources = {"/sys/bus/",
                                                   "/sys/devices/",
                                                   "/sys/class/sound/",
                                                   "/sys/class/drm/",
                                                   "/sys/block/",
                                                   "/sys/class/input/",
                                                   "/sys/class/ata_device/",
                                                   "/sys/module/",
                                                   "/proc/asound/cards",
                                                   "/proc/sys/kernel/osrelease",
                                                   "/run/udev/data/",
                                                   "/usr/share/misc/pci.ids",
                                                   "/usr/share/misc/usb.ids",
                                                   "/usr/share/hwdata/",
                                                   "/proc/sys/kernel/hostname"};
  const std::map<std::string, std::vector<std::string>> allowed = {
      {"Win32_ComputerSystem",
       {"/sys/class/dmi/id/product_name", "/sys/class/dmi/id/product_family",
        "/sys/class/dmi/id/product_sku", "/sys/class/dmi/id/sys_vendor", "/proc/device-tree/model",
        "/proc/cpuinfo", "/proc/meminfo", "/proc/sys/kernel/hostname",
        "/proc/sys/kernel/domainname", "/sys/devices/system/cpu/", "/sys/firmware/acpi/pm_profile",
        "/sys/hypervisor/", "/run/systemd/", "/proc/cmdline", "/etc/samba/",
        "/sys/firmware/dmi/tables/"}},
      {"Win32_ComputerSystemProduct",
       {"/sys/class/dmi/id/product_", "/sys/class/dmi/id/sys_vendor",
        "/proc/device-tree/serial-number", "/proc/device-tree/model", "/proc/cpuinfo",
        "/sys/firmware/dmi/tables/"}},
      {"Win32_BIOS",
       {"/sys/class/dmi/id/bios_", "/sys/class/dmi/id/ec_", "/sys/class/dmi/id/product_serial",
        "/sys/firmware/dmi/tables/", "/sys/firmware/acpi/tables/"}},
      {"Win32_BaseBoard", {"/sys/class/dmi/id/board_", "/sys/firmware/dmi/tables/"}},
      {"Win32_SystemEnclosure", {"/sys/class/dmi/id/chassis_", "/sys/firmware/dmi/tables/"}},
      {"Win32_Processor",
       {"/proc/cpuinfo", "/sys/devices/system/cpu/", "/proc/device-tree/cpus/", "/proc/stat",
        "/sys/firmware/dmi/tables/"}},
      {"Win32_PhysicalMemory", {"/sys/firmware/dmi/tables/", "/run/udev/data/+dmi:id"}},
      {"Win32_PhysicalMemoryArray", {"/sys/firmware/dmi/tables/", "/run/udev/data/+dmi:id"}},
      {"Win32_CacheMemory", {"/sys/firmware/dmi/tables/", "/proc/sys/kernel/hostname"}},
      {"Win32_PortConnector", {"/sys/firmware/dmi/tables/"}},
      {"Win32_SystemSlot", {"/sys/firmware/dmi/tables/"}},
      {"Win32_OnBoardDevice", {"/sys/firmware/dmi/tables/"}},
      {"Win32_OperatingSystem",
       {"/etc/os-release", "/usr/lib/os-release", "/etc/machine-id", "/proc/sys/kernel/hostname",
        "/proc/sys/kernel/osrelease", "/proc/meminfo", "/proc/stat", "/proc/self/mountinfo",
        "/etc/locale.conf", "/etc/default/locale"}},
      {"Win32_CDROMDrive",
       {"/sys/devices/", "/sys/class/ata_device/", "/proc/self/mountinfo", "/run/udev/data/b",
        "/proc/sys/dev/cdrom/info", "/sys/block/"}},
      {"Win32_VideoController",
       {"/sys/bus/pci/devices/", "/sys/devices/pci", "/sys/class/drm/",
        "/run/udev/data/+pci:", "/sys/module/", "/proc/sys/kernel/osrelease"}},
      {"Win32_DesktopMonitor", {"/sys/class/drm/"}},
      {"Win32_SoundDevice",
       {"/sys/class/sound/", "/proc/asound/cards", "/sys/bus/pci/devices/",
        "/run/udev/data/+pci:", "/sys/devices/"}},
      {"Win32_Battery", {"/sys/class/power_supply/", "/sys/devices/"}},
      {"Win32_DiskDrive",
       {"/sys/block/", "/sys/devices/", "/sys/class/ata_device/", "/run/udev/data/b"}},
      {"Win32_DiskPartition",
       {"/sys/block/", "/sys/devices/", "/sys/class/ata_device/", "/run/udev/data/b"}},
      {"Win32_LogicalDisk",
       {"/proc/self/mountinfo", "/sys/dev/block/", "/sys/devices/", "/run/udev/data/b"}},
      {"Win32_Volume",
       {"/proc/self/mountinfo", "/sys/dev/block/", "/sys/devices/", "/run/udev/data/b",
        "/sys/class/block/", "/sys/block/", "/proc/sys/kernel/hostname"}},
      {"Win32_Keyboard", {"/sys/class/input/", "/sys/devices/", "/proc/sys/kernel/hostname"}},
      {"Win32_PointingDevice", {"/sys/class/input/", "/sys/devices/", "/proc/sys/kernel/hostname"}},
      {"Win32_SystemDriver",
       {"/proc/modules", "/proc/sys/kernel/osrelease", "/lib/modules/",
        "/proc/sys/kernel/hostname"}},
      {"Win32_NetworkAdapter",
       {"/sys/class/net/", "/sys/devices/", "/run/udev/data/n", "/usr/share/misc/pci.ids",
        "/usr/share/misc/usb.ids", "/usr/share/hwdata/"}},
      {"Win32_NetworkAdapterConfiguration",
       {"/sys/class/net/", "/sys/devices/", "/run/udev/data/n", "/usr/share/misc/pci.ids",
        "/usr/share/misc/usb.ids", "/usr/share/hwdata/", "/proc/net/route", "/proc/net/ipv6_route",
        "/etc/resolv.conf", "/run/systemd/resolve/", "/run/systemd/netif/",
        "/var/lib/NetworkManager/", "/var/lib/dhcp/"}},
      {"Win32_Printer",
       {"/etc/cups/printers.conf", "/etc/cups/ppd/", "/etc/cups/lpoptions",
        "/proc/sys/kernel/hostname"}},
      {"Win32_Share",
       {"/etc/samba/", "/etc/cups/printers.conf", "/etc/cups/ppd/", "/etc/cups/lpoptions"}},
      {"Win32_UserAccount", {"/etc/passwd", "/etc/shadow", "/proc/sys/kernel/hostname"}},
      {"Win32_Group", {"/etc/group", "/proc/sys/kernel/hostname"}},
      {"Win32_LogonSession", {"/run/systemd/sessions/"}},
      {"Win32_PageFileUsage", {"/proc/swaps"}},
      {"Win32_PageFileSetting", {"/proc/swaps"}},
      {"Win32_BootConfiguration", {"/proc/self/mountinfo"}},
      {"Win32_Environment", {"/etc/environment"}},
      {"Win32_USBController", kControllerSources},
      {"Win32_IDEController", kControllerSources},
      {"Win32_SCSIController", kControllerSources},
      {"Win32_PnPEntity", kDeviceSources},
      {"Win32_PnPSignedDriver", kDeviceSources},
      {"Win32_Process", {"/proc/", "/etc/os-release", "/usr/lib/os-release"}},
      {"Win32_Service",
       {"/etc/systemd/system/", "/run/systemd/", "/usr/lib/systemd/system/", "/lib/systemd/system/",
        "/sys/fs/cgroup/", "/proc/", "/proc/sys/kernel/hostname"}},
  };
  ASSERT_EQ(allowed.size(), ProviderClasses().size());
  for (const char* machine : kMachines) {
    for (const auto& [className, prefixes] : allowed) {
      FixtureProvider provider = MakeFixtureProvider(machine);
      Query(*provider.system, className);
      std::vector<std::string> opened = provider.reader->Opened();
      for (const std::string& path : opened) {
        const bool own = std::any_of(
            prefixes.begin(), prefixes.end(),
            [&path](const std::string& p) { return path.compare(0, p.size(), p) == 0; });
        EXPECT_TRUE(own) << machine << " " << className << " opened " << path;
      }
      if (className == "Win32_ComputerSystem") {
        EXPECT_LE(opened.size(), 16u) << machine;
      }
      // The processor's load is two readings of the CPU counters.
      if (className == "Win32_Processor") {
        const auto second = std::find(opened.begin(), opened.end(), "/proc/stat");
        if (second != opened.end()) opened.erase(second);
      }
      std::sort(opened.begin(), opened.end());
      EXPECT_EQ(std::adjacent_find(opened.begin(), opened.end()), opened.end())
          << machine << " " << className << " opened a file twice";
    }
  }
}

// Four logical CPUs of one package: two cores of two threads.
std::string CpuInfoX86(const std::vector<int>& cpus, int cores) {
  std::string text;
  for (int cpu : cpus) {
    text += "processor\t: " + std::to_string(cpu) +
            "\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 158\nstepping\t: 10\n"
            "physical id\t: 0\nsiblings\t: " +
            std::to_string(cpus.size()) + "\ncore id\t\t: " + std::to_string(cpu / 2) +
            "\ncpu cores\t: " + std::to_string(cores) + "\n\n";
  }
  return text;
}

// Older kernels give the mask alone; without it every CPU's view of a
// shared cache counted once (L2 twice, L3 four times here).
TEST(SharedCaches, CountOnceWhetherTheKernelGivesAListOrAMask) {
  for (const bool list : {true, false}) {
    TempTree tree;
    tree.Write("/proc/cpuinfo", CpuInfoX86({0, 1, 2, 3}, 2));
    for (int cpu = 0; cpu < 4; ++cpu) {
      const std::string dir = "/sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/cache/";
      const struct {
        const char* index;
        const char* level;
        const char* size;
        const char* cpus;
        const char* mask;
      } caches[] = {{"index2", "2", "256K", cpu < 2 ? "0-1" : "2-3", cpu < 2 ? "3" : "0000000c"},
                    {"index3", "3", "8192K", "0-3", "00000000,0000000f"}};
      for (const auto& cache : caches) {
        tree.Write(dir + cache.index + "/level", std::string(cache.level) + "\n");
        tree.Write(dir + cache.index + "/type", "Unified\n");
        tree.Write(dir + cache.index + "/size", std::string(cache.size) + "\n");
        tree.Write(dir + cache.index + (list ? "/shared_cpu_list" : "/shared_cpu_map"),
                   std::string(list ? cache.cpus : cache.mask) + "\n");
      }
    }
    NativeObjectSystem system = tree.Provider();
    const Objects processors = Query(system, "Win32_Processor");
    EXPECT_EQ(ValueOf(processors, "L2CacheSize"), "512 (0x200)") << list;
    EXPECT_EQ(ValueOf(processors, "L3CacheSize"), "8192 (0x2000)") << list;
  }
}

TEST(CpuMask, ExpandsHexGroupsAndRefusesAnythingElse) {
  EXPECT_EQ(ParseCpuMask("00000001,00000105\n"), (std::vector<int>{0, 2, 8, 32}));
  EXPECT_EQ(ParseCpuMask("F"), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(ParseCpuMask("0x3"), std::vector<int>{});
  EXPECT_EQ(ParseCpuMask(std::string(5000, 'f')), std::vector<int>{});
}

// A core taken offline whole: /proc/cpuinfo drops its CPUs but still says
// "cpu cores: 2"; on machines without "physical id" the sysfs directories
// of offline CPUs remain. Windows counts what runs.
TEST(OfflineCpus, AreNotCounted) {
  for (const bool x86 : {true, false}) {
    TempTree tree;
    if (x86) {
      tree.Write("/proc/cpuinfo", CpuInfoX86({0, 1}, 2));
    } else {
      tree.Write("/proc/cpuinfo", "processor\t: 0\n\nprocessor\t: 1\n\n");
    }
    tree.Write("/sys/devices/system/cpu/online", "0-1\n");
    for (int cpu = 0; cpu < 4; ++cpu) {
      const std::string dir = "/sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/";
      tree.Write(dir + "topology/physical_package_id", "0\n");
      tree.Write(dir + "topology/core_id", std::to_string(cpu / 2) + "\n");
    }
    NativeObjectSystem system = tree.Provider();
    const Objects processors = Query(system, "Win32_Processor");
    EXPECT_EQ(ValueOf(processors, "NumberOfCores"), "1 (0x1)") << x86;
    EXPECT_EQ(ValueOf(processors, "NumberOfLogicalProcessors"), "2 (0x2)") << x86;
    EXPECT_EQ(ValueOf(Query(system, "Win32_ComputerSystem"), "NumberOfLogicalProcessors"),
              "2 (0x2)")
        << x86;
  }
}

// A type-4 structure: socket name (string 1) and status byte.
std::string ProcessorStructure(const std::string& socket, bool populated) {
  std::string bytes = {4, 0x1A, 0, 0, 1};
  bytes.resize(0x1A, '\0');
  bytes[0x18] = populated ? 0x41 : 0x00;
  return bytes + socket + '\0' + '\0';
}

// Firmware lists empty sockets too; the kernel's packages are the
// populated ones, in order.
TEST(ProcessorSockets, MatchThePopulatedStructuresInOrder) {
  TempTree tree;
  std::string cpuinfo;
  for (int package = 0; package < 2; ++package) {
    cpuinfo += "processor\t: " + std::to_string(package) +
               "\nvendor_id\t: GenuineIntel\nphysical id\t: " + std::to_string(package) + "\n\n";
  }
  tree.Write("/proc/cpuinfo", cpuinfo);
  const std::string table = ProcessorStructure("P0", true) + ProcessorStructure("P1", false) +
                            ProcessorStructure("P2", true) + std::string("\x7f\x04\0\0\0\0", 6);
  std::string entry = "_SM3_";
  entry += std::string("\0\x18\x03\x00\x00\x01\x00", 7) + std::string(12, '\0');
  tree.Write("/sys/firmware/dmi/tables/smbios_entry_point", entry);
  tree.Write("/sys/firmware/dmi/tables/DMI", table);
  NativeObjectSystem system = tree.Provider();
  const Objects processors = Query(system, "Win32_Processor");
  ASSERT_EQ(processors.size(), 2u);
  EXPECT_EQ(ValueOf(processors, "SocketDesignation", 0), "\"P0\"");
  EXPECT_EQ(ValueOf(processors, "SocketDesignation", 1), "\"P2\"");
}

// A 32-bit ("_SM_") entry point of the given version, or a 64-bit ("_SM3_")
// one, neither bounding the table.
std::string EntryPoint(int major, int minor, bool sm3 = false) {
  if (sm3) {
    std::string entry = "_SM3_";
    entry += std::string{0, 0x18, static_cast<char>(major), static_cast<char>(minor), 0, 1, 0};
    return entry + std::string(12, '\0');
  }
  std::string entry = "_SM_";
  entry += std::string{0, 0x1F, static_cast<char>(major), static_cast<char>(minor)};
  entry += std::string(8, '\0') + "_DMI_" + std::string(10, '\0');
  return entry;
}

// A system structure (type 1) holding the UUID bytes; length 0x08 is one of
// SMBIOS 2.0, which has no UUID.
std::string SystemStructure(const std::string& uuid, std::size_t length = 0x19) {
  std::string bytes = {1, static_cast<char>(length), 0, 1};
  bytes.resize(length, '\0');
  if (length >= 0x18) bytes.replace(0x08, 16, uuid);
  return bytes + std::string(2, '\0') + std::string("\x7f\x04\xff\xff\0\0", 6);
}

// Windows reads the first three fields of every UUID little-endian; the
// kernel does so only for SMBIOS 2.6 and later, and prints older tables'
// UUIDs in table order. No entry point, no way to tell which it did.
TEST(SystemUuid, ReadsTheFirstThreeFieldsLittleEndianWhateverTheVersion) {
  const std::string bytes("\x12\x9a\x3f\x7c\x5b\x04\xd2\x11\xa4\x6e\x02\x5e\x11\x3a\x7c\x90", 16);
  const std::string tableOrder = "129a3f7c-5b04-d211-a46e-025e113a7c90";
  const std::string littleEndian = "7c3f9a12-045b-11d2-a46e-025e113a7c90";
  const std::string windows = "\"7C3F9A12-045B-11D2-A46E-025E113A7C90\"";
  const std::string none = "-";  // file left out
  struct Row {
    const char* what;
    std::string entry, table, text;
    bool root;
    std::string expected;
  } rows[] = {
      {"2.3: the table's bytes", EntryPoint(2, 3), SystemStructure(bytes), tableOrder, true,
       windows},
      {"2.3: the table's bytes, not a kernel's other order", EntryPoint(2, 3),
       SystemStructure(bytes), littleEndian, true, windows},
      {"2.3 without the table: the text turned", EntryPoint(2, 3), none, tableOrder, true, windows},
      {"2.3, a system structure of 2.0 length: the text turned", EntryPoint(2, 3),
       SystemStructure(bytes, 0x08), tableOrder, true, windows},
      {"2.5: the text turned", EntryPoint(2, 5), none, tableOrder, true, windows},
      {"2.31 is 2.3", EntryPoint(2, 31), none, tableOrder, true, windows},
      {"2.33 is 2.3", EntryPoint(2, 33), none, tableOrder, true, windows},
      {"2.51 is 2.6", EntryPoint(2, 51), none, littleEndian, true, windows},
      {"2.6: the text as it is", EntryPoint(2, 6), none, littleEndian, true, windows},
      {"3.0: the text as it is", EntryPoint(3, 0, true), none, littleEndian, true, windows},
      {"2.3, all FFh: no UUID", EntryPoint(2, 3), SystemStructure(std::string(16, '\xff')), none,
       true, "<null>"},
      {"2.3, all 00h: no UUID", EntryPoint(2, 3), SystemStructure(std::string(16, '\0')), none,
       true, "<null>"},
      {"2.3, text that is no UUID", EntryPoint(2, 3), none, "129a3f7c-5b04-d211-a46e-025e113a7c9",
       true, "<null>"},
      {"no entry point: the order is unknown", none, none, tableOrder, true, "<null>"},
      {"an ordinary user reads neither", EntryPoint(2, 3), SystemStructure(bytes), tableOrder,
       false, "<null>"},
  };
  for (const Row& row : rows) {
    TempTree tree;
    if (row.entry != none) tree.Write("/sys/firmware/dmi/tables/smbios_entry_point", row.entry);
    if (row.table != none) tree.Write("/sys/firmware/dmi/tables/DMI", row.table);
    if (row.text != none) tree.Write("/sys/class/dmi/id/product_uuid", row.text + "\n");
    NativeObjectSystem system = tree.Provider(row.root);
    EXPECT_EQ(ValueOf(Query(system, "Win32_ComputerSystemProduct"), "UUID"), row.expected)
        << row.what;
  }
}

// The report prints nothing for arrays; their elements on the fixtures.
TEST(SmbiosArrays, ArriveWithTheirElements) {
  FixtureProvider desktop = MakeFixtureProvider("desktop");
  EXPECT_EQ(ValueOf(Query(*desktop.system, "Win32_BIOS"), "BiosCharacteristics"),
            "{4 (0x4),7 (0x7),9 (0x9),11 (0xB),12 (0xC),15 (0xF),16 (0x10),19 (0x13),27 (0x1B),"
            "28 (0x1C),32 (0x20),33 (0x21),40 (0x28),42 (0x2A),43 (0x2B)}");
  EXPECT_EQ(ValueOf(Query(*desktop.system, "Win32_BIOS"), "BIOSVersion"),
            "{\"ALASKA - 1072009\",\"1.C0\"}");
  EXPECT_EQ(ValueOf(Query(*desktop.system, "Win32_ComputerSystem"), "OEMStringArray"),
            "{\"Northwind OEM 1\",\"$NW$BOARD-7C02\"}");
  EXPECT_EQ(ValueOf(Query(*desktop.system, "Win32_BaseBoard"), "ConfigOptions"),
            "{\"Clear CMOS: close JP1\"}");
}

}  // namespace
}  // namespace hwident::test
