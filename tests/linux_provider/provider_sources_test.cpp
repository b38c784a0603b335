// Where values come from: root-only files, mode bits, the newline rule,
// links in the tree, and which files each class may open.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/linux/provider/class_schema.h"
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
  const std::string& root() const { return root_; }
  void Write(const std::string& path, const std::string& content,
             fs::perms mode = fs::perms(0644)) {
    const fs::path full = root_ + path;
    fs::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary) << content;
    fs::permissions(full, mode);
  }
  void Link(const std::string& path, const std::string& target) {
    const fs::path full = root_ + path;
    fs::create_directories(full.parent_path());
    fs::create_symlink(target, full);
  }

 private:
  std::string root_;
};

using Objects = std::vector<std::vector<SeenProperty>>;

Objects Query(ObjectSystem& system, const std::string& className) {
  Objects objects;
  EXPECT_EQ(RunQuery(system, "select * from " + className, &objects), 0) << className;
  return objects;
}

TEST(RootOnlySources, AreNullForAnOrdinaryUserAndRealForRoot) {
  struct Row {
    const char* className;
    const char* property;
    const char* asRoot;
  } rows[] = {
      {"Win32_ComputerSystemProduct", "IdentifyingNumber", "\"NWD450-7731-0042\""},
      {"Win32_ComputerSystemProduct", "UUID", "\"4C4C4544-0042-3510-8052-B4C04F4D3732\""},
      {"Win32_BIOS", "SerialNumber", "\"NWD450-7731-0042\""},
      {"Win32_BIOS", "SMBIOSMajorVersion", "3 (0x3)"},
      {"Win32_BIOS", "Version", "\"ALASKA - 1072009\""},
      {"Win32_BaseBoard", "SerialNumber", "\"BSN-00417733\""},
      {"Win32_SystemEnclosure", "SerialNumber", "\"Default string\""},
  };
  FixtureProvider root = MakeFixtureProvider("desktop", true);
  FixtureProvider user = MakeFixtureProvider("desktop", false);
  for (const Row& row : rows) {
    EXPECT_EQ(ValueOf(Query(*root.system, row.className), row.property), row.asRoot)
        << row.className << "." << row.property;
    EXPECT_EQ(ValueOf(Query(*user.system, row.className), row.property), "<null>")
        << row.className << "." << row.property;
  }
  // What everyone may read stays the same.
  EXPECT_EQ(ValueOf(Query(*user.system, "Win32_BIOS"), "SMBIOSBIOSVersion"), "\"1.C0\"");
}

TEST(RootedSourceReader, HonoursModeBitsForAnOrdinaryUser) {
  TempTree tree;
  tree.Write("/sys/class/dmi/id/product_serial", "S123\n", fs::perms(0400));
  tree.Write("/sys/class/dmi/id/product_name", "Box\n", fs::perms(0444));
  RootedSourceReader user(tree.root(), false);
  RootedSourceReader root(tree.root(), true);
  EXPECT_EQ(user.Read("/sys/class/dmi/id/product_serial"), std::nullopt);
  EXPECT_EQ(root.Read("/sys/class/dmi/id/product_serial"), "S123\n");
  EXPECT_EQ(user.Read("/sys/class/dmi/id/product_name"), "Box\n");
  EXPECT_EQ(user.Read("/sys/class/dmi/id/missing"), std::nullopt);
  EXPECT_EQ(user.Read("/sys/class/dmi/id"), std::nullopt);  // a directory is no value
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
    auto live = std::make_shared<FixedLiveFacts>();
    NativeObjectSystem system(std::make_shared<RootedSourceReader>(tree.root(), true), live);
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
  auto live = std::make_shared<FixedLiveFacts>();
  NativeObjectSystem system(std::make_shared<RootedSourceReader>(tree.root(), true), live);
  const Objects objects = Query(system, "Win32_CDROMDrive");
  ASSERT_EQ(objects.size(), 4u);
  EXPECT_EQ(ValueOf(objects, "DeviceID", 0), "\"SCSI\\CDROM&VEN_ACME&PROD_SR2\\0&000200\"");
  EXPECT_EQ(ValueOf(objects, "DeviceID", 1), "<null>");
  EXPECT_EQ(ValueOf(objects, "DeviceID", 2), "<null>");
  EXPECT_EQ(ValueOf(objects, "DeviceID", 3), "\"SCSI\\CDROM&VEN_ACME&PROD_SR10\\0&000A00\"");
}

TEST(Arrays, ArriveWithTheirElements) {
  FixtureProvider desktop = MakeFixtureProvider("desktop");
  EXPECT_EQ(ValueOf(Query(*desktop.system, "Win32_SystemEnclosure"), "ChassisTypes"), "{3}");
  const Objects drives = Query(*desktop.system, "Win32_CDROMDrive");
  EXPECT_EQ(ValueOf(drives, "Capabilities", 0), "{3,4,7}");
  EXPECT_EQ(ValueOf(drives, "Capabilities", 1), "{3,7}");
}

TEST(Firmware, ClassesWithoutSmbiosGiveNoObject) {
  for (const char* machine : {"raspberrypi", "container"}) {
    FixtureProvider provider = MakeFixtureProvider(machine);
    for (const char* className : {"Win32_BIOS", "Win32_BaseBoard", "Win32_SystemEnclosure"}) {
      EXPECT_TRUE(Query(*provider.system, className).empty()) << machine << " " << className;
    }
    EXPECT_EQ(Query(*provider.system, "Win32_ComputerSystemProduct").size(), 1u);
  }
}

// Every file a class opens lies below one of its own source folders, on
// every fixture: a query never reads another class's sources.
TEST(Sources, EachClassOpensOnlyItsOwnFiles) {
  const std::map<std::string, std::vector<std::string>> allowed = {
      {"Win32_ComputerSystem",
       {"/sys/class/dmi/id/", "/proc/device-tree/model", "/proc/cpuinfo", "/proc/meminfo",
        "/proc/sys/kernel/hostname", "/proc/sys/kernel/domainname", "/sys/devices/system/cpu/",
        "/sys/firmware/acpi/pm_profile", "/sys/hypervisor/", "/run/systemd/"}},
      {"Win32_ComputerSystemProduct",
       {"/sys/class/dmi/id/product_", "/sys/class/dmi/id/sys_vendor",
        "/proc/device-tree/serial-number", "/proc/device-tree/model", "/proc/cpuinfo"}},
      {"Win32_BIOS",
       {"/sys/class/dmi/id/bios_", "/sys/class/dmi/id/ec_", "/sys/class/dmi/id/product_serial",
        "/sys/firmware/dmi/tables/", "/sys/firmware/acpi/tables/"}},
      {"Win32_BaseBoard", {"/sys/class/dmi/id/board_"}},
      {"Win32_SystemEnclosure", {"/sys/class/dmi/id/chassis_"}},
      {"Win32_Processor", {"/proc/cpuinfo", "/sys/devices/system/cpu/", "/proc/device-tree/cpus/"}},
      {"Win32_OperatingSystem",
       {"/etc/os-release", "/usr/lib/os-release", "/etc/machine-id", "/proc/sys/kernel/hostname",
        "/proc/sys/kernel/osrelease", "/proc/meminfo", "/proc/stat"}},
      {"Win32_CDROMDrive",
       {"/sys/devices/", "/sys/class/ata_device/", "/proc/self/mountinfo", "/run/udev/data/b",
        "/proc/sys/dev/cdrom/info", "/sys/block/"}},
  };
  ASSERT_EQ(allowed.size(), ProviderClasses().size());
  for (const char* machine : {"desktop", "server", "vm", "raspberrypi", "container"}) {
    for (const auto& [className, prefixes] : allowed) {
      FixtureProvider provider = MakeFixtureProvider(machine);
      Query(*provider.system, className);
      for (const std::string& path : provider.reader->Opened()) {
        const bool own = std::any_of(
            prefixes.begin(), prefixes.end(),
            [&path](const std::string& p) { return path.compare(0, p.size(), p) == 0; });
        EXPECT_TRUE(own) << machine << " " << className << " opened " << path;
      }
    }
  }
}

}  // namespace
}  // namespace hwident::test
