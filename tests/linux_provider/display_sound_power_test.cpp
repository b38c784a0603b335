// The EDID parser's refusals, the device ids built from bus ids, CPU load
// over an interval, locale ids, and the device classes' odd shapes that the
// fixture machines do not show.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/linux/provider/sources/edid.h"
#include "platform/linux/provider/sources/load_average.h"
#include "platform/linux/provider/sources/locale_id.h"
#include "platform/linux/provider/sources/pci_function.h"
#include "platform/linux/provider/sources/sound_devices.h"
#include "provider_test_support.h"

namespace hwident::test {
namespace {

namespace fs = std::filesystem;

void FixChecksum(std::string& b) {
  unsigned sum = 0;
  for (int i = 0; i < 127; ++i) sum += static_cast<unsigned char>(b[static_cast<std::size_t>(i)]);
  b[127] = static_cast<char>((256 - sum % 256) % 256);
}

// A valid EDID base block: maker, product, one 1920x1080 timing at 60 Hz
// (138.5 MHz over 2080 x 1111) and a monitor name descriptor.
std::string Edid(const std::string& maker = "DEL", std::uint16_t product = 0xA0EC,
                 const std::string& name = "DELL P2419H") {
  std::string b(128, '\0');
  const char header[] = {0, '\xff', '\xff', '\xff', '\xff', '\xff', '\xff', 0};
  b.replace(0, 8, header, 8);
  unsigned packed = 0;
  for (char c : maker) packed = (packed << 5) | static_cast<unsigned>(c - 'A' + 1);
  b[8] = static_cast<char>(packed >> 8);
  b[9] = static_cast<char>(packed & 0xFF);
  b[10] = static_cast<char>(product & 0xFF);
  b[11] = static_cast<char>(product >> 8);
  const unsigned char timing[18] = {0x1A, 0x36, 0x80, 0xA0, 0x70, 0x38, 0x1F, 0x40};
  b.replace(54, 18, reinterpret_cast<const char*>(timing), 18);
  std::string text = name + "\n";
  text.resize(13, ' ');
  b.replace(72, 18, std::string("\0\0\0\xfc\0", 5) + text);
  FixChecksum(b);
  return b;
}

TEST(Edid, ReadsMakerProductNameAndPreferredTiming) {
  const auto edid = ParseEdid(Edid());
  ASSERT_TRUE(edid);
  EXPECT_EQ(edid->maker, "DEL");
  EXPECT_EQ(edid->product, 0xA0EC);
  EXPECT_EQ(edid->name, "DELL P2419H");
  ASSERT_TRUE(edid->preferred);
  EXPECT_EQ(edid->preferred->width, 1920);
  EXPECT_EQ(edid->preferred->height, 1080);
  EXPECT_EQ(edid->preferred->refreshHz, 60);
  EXPECT_EQ(EdidHardwareId(*edid), "DISPLAY\\DELA0EC");
  // Extension blocks after the base block change nothing.
  EXPECT_EQ(ParseEdid(Edid() + std::string(128, '\x02'))->maker, "DEL");
}

TEST(Edid, RefusesABlockItCannotTrust) {
  struct Row {
    const char* what;
    std::string bytes;
  };
  std::string badChecksum = Edid();
  badChecksum[127] = static_cast<char>(badChecksum[127] + 1);
  std::string badHeader = Edid();
  badHeader[3] = 0;
  FixChecksum(badHeader);
  std::string highBit = Edid();
  highBit[8] = static_cast<char>(highBit[8] | 0x80);
  FixChecksum(highBit);
  std::string letterZero = Edid();
  letterZero[8] = 0;
  letterZero[9] = 0;
  FixChecksum(letterZero);
  const Row rows[] = {
      {"empty", ""},
      {"one byte short", Edid().substr(0, 127)},
      {"bad checksum", badChecksum},
      {"bad header", badHeader},
      {"maker bit 15 set", highBit},
      {"maker letter 0", letterZero},
      {"all zero", std::string(128, '\0')},
  };
  for (const Row& row : rows) EXPECT_FALSE(ParseEdid(row.bytes)) << row.what;
}

TEST(Edid, LeavesOutWhatOneDescriptorGetsWrong) {
  std::string control = Edid();
  control[80] = '\x07';  // a control character inside the name
  FixChecksum(control);
  EXPECT_FALSE(ParseEdid(control)->name);
  EXPECT_EQ(ParseEdid(control)->maker, "DEL");

  std::string noTiming = Edid();
  noTiming[54] = 0;  // pixel clock 0: a descriptor, not a timing
  noTiming[55] = 0;
  FixChecksum(noTiming);
  EXPECT_FALSE(ParseEdid(noTiming)->preferred);

  std::string interlaced = Edid();
  interlaced[71] = static_cast<char>(0x80);  // counts fields: twice the rate
  FixChecksum(interlaced);
  EXPECT_EQ(ParseEdid(interlaced)->preferred->refreshHz, 120);

  EXPECT_FALSE(ParseEdid(Edid("DEL", 1, ""))->name);
}

TEST(PciPnpDeviceId, FollowsWindowsLayoutWithAStableInstance) {
  struct Row {
    const char* address;
    std::uint16_t vendor, device, subVendor, subDevice;
    std::uint8_t revision;
    const char* id;
  } rows[] = {
      {"0000:00:02.0", 0x8086, 0x9a49, 0x1d72, 0x1701, 0x01,
       "PCI\\VEN_8086&DEV_9A49&SUBSYS_17011D72&REV_01\\0&00&0&10"},
      {"0000:c1:00.1", 0x1002, 0x1637, 0x17aa, 0x22f1, 0xc5,
       "PCI\\VEN_1002&DEV_1637&SUBSYS_22F117AA&REV_C5\\0&C1&0&01"},
      {"10000:e1:1f.7", 0x10de, 0x2204, 0, 0, 0xa1,
       "PCI\\VEN_10DE&DEV_2204&SUBSYS_00000000&REV_A1\\10000&E1&0&FF"},
      {"odd", 1, 2, 3, 4, 5, "PCI\\VEN_0001&DEV_0002&SUBSYS_00040003&REV_05\\0&00&0&00"},
  };
  for (const Row& row : rows) {
    PciFunction f;
    f.address = row.address;
    f.vendor = row.vendor;
    f.device = row.device;
    f.subsystemVendor = row.subVendor;
    f.subsystemDevice = row.subDevice;
    f.revision = row.revision;
    EXPECT_EQ(PciPnpDeviceId(f), row.id) << row.address;
  }
}

TEST(HdaPnpDeviceId, SplitsTheCodecIdsAsWindowsDoes) {
  EXPECT_EQ(HdaPnpDeviceId("0x10ec0287", "0x17aa22d8", "0x100002", 0, 0),
            "HDAUDIO\\FUNC_01&VEN_10EC&DEV_0287&SUBSYS_17AA22D8&REV_1000\\0&0000");
  EXPECT_EQ(HdaPnpDeviceId("0x80862812", "0x80860101", "0x100000", 1, 2),
            "HDAUDIO\\FUNC_01&VEN_8086&DEV_2812&SUBSYS_80860101&REV_1000\\1&0002");
  EXPECT_FALSE(HdaPnpDeviceId("0x10ec0287", "", "0x100002", 0, 0));
  EXPECT_FALSE(HdaPnpDeviceId("0x10ec02870", "0x0", "0x0", 0, 0));
  EXPECT_FALSE(HdaPnpDeviceId("realtek", "0x0", "0x0", 0, 0));
}

TEST(LoadAverage, IsTheOneMinuteAverageSharedOverTheOnlineCpus) {
  struct Row {
    const char* loadavg;
    int cpus;
    std::optional<int> load;
  } rows[] = {
      {"0.52 0.58 0.59 1/467 12345\n", 1, 52},
      {"2.00 1.00 0.50 3/100 7", 8, 25},
      {"1.00 0 0 1/1 1", 3, 33},
      {"0.02 0 0 1/1 1", 4, 1},     // half a percent rounds up
      {"12.50 0 0 1/1 1", 4, 100},  // a queue longer than the CPUs is full load
      {"0.00 0 0 1/1 1", 2, 0},
      {"1.00 0 0 1/1 1", 0, std::nullopt},
      {"", 2, std::nullopt},
      {"1.5 0 0", 2, std::nullopt},
      {"-1.00 0 0", 2, std::nullopt},
      {"1,00 0 0", 2, std::nullopt},
      {"99999999999999999999.00 0 0", 2, std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(LoadPercentFromLoadAverage(row.loadavg, row.cpus), row.load) << row.loadavg;
  }
}

TEST(LocaleId, MatchesLanguageAndTerritory) {
  struct Row {
    const char* name;
    std::optional<std::uint16_t> id;
  } rows[] = {
      {"en_US.UTF-8", 0x0409}, {"en_IN", 0x4009},         {"de_AT@euro", 0x0C07},
      {"fr_FR.UTF-8", 0x040C}, {"C.UTF-8", std::nullopt}, {"POSIX", std::nullopt},
      {"", std::nullopt},      {"en", std::nullopt},      {"xx_YY.UTF-8", std::nullopt},
  };
  for (const Row& row : rows) EXPECT_EQ(LocaleIdOf(row.name), row.id) << row.name;
}

// A scratch machine tree whose live facts a test can steer.
class Tree {
 public:
  Tree() {
    char pattern[] = "/tmp/hwident-devices-XXXXXX";
    root_ = ::mkdtemp(pattern);
    live_ = std::make_shared<FixedLiveFacts>();
  }
  ~Tree() { fs::remove_all(root_); }
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
  FixedLiveFacts& Live() { return *live_; }
  NativeObjectSystem Provider() const {
    return NativeObjectSystem(std::make_shared<RootedSourceReader>(root_, true), live_);
  }

 private:
  std::string root_;
  std::shared_ptr<FixedLiveFacts> live_;
};

TEST(LoadPercentage, IsTheMachineLoadForEverySocket) {
  Tree tree;
  std::string cpuinfo;
  for (int cpu = 0; cpu < 4; ++cpu) {
    cpuinfo += "processor\t: " + std::to_string(cpu) +
               "\nvendor_id\t: GenuineIntel\nphysical id\t: " + std::to_string(cpu / 2) + "\n\n";
  }
  tree.Write("/proc/cpuinfo", cpuinfo);
  tree.Write("/sys/devices/system/cpu/online", "0-3\n");
  tree.Write("/proc/loadavg", "3.00 2.00 1.00 4/300 999\n");
  NativeObjectSystem system = tree.Provider();
  const Objects sockets = Query(system, "Win32_Processor");
  ASSERT_EQ(sockets.size(), 2u);
  EXPECT_EQ(ValueOf(sockets, "LoadPercentage", 0), "75 (0x4B)");
  EXPECT_EQ(ValueOf(sockets, "LoadPercentage", 1), "75 (0x4B)");
}

// The kernel drops an EDID whose checksum fails, but firmware overrides and
// some drivers pass one on: the monitor is listed, nothing is read from it.
TEST(DesktopMonitor, UntrustedEdidGivesNullsButTheModeStays) {
  Tree tree;
  std::string bad = Edid();
  bad[127] = static_cast<char>(bad[127] ^ 1);
  const std::string out = "/sys/devices/pci0000:00/0000:00:02.0/drm/card1/card1-DP-3";
  tree.Write(out + "/status", "connected\n");
  tree.Write(out + "/enabled", "enabled\n");
  tree.Write(out + "/modes", "1024x768\n800x600\n");
  tree.Write(out + "/edid", bad);
  tree.Link("/sys/class/drm/card1-DP-3", "../.." + out.substr(4));
  NativeObjectSystem system = tree.Provider();
  const Objects monitors = Query(system, "Win32_DesktopMonitor");
  ASSERT_EQ(monitors.size(), 1u);
  for (const char* name : {"Name", "MonitorManufacturer", "PNPDeviceID", "Caption"}) {
    EXPECT_EQ(ValueOf(monitors, name), "<null>") << name;
  }
  EXPECT_EQ(ValueOf(monitors, "ScreenWidth"), "1024 (0x400)");
  EXPECT_EQ(ValueOf(monitors, "DeviceID"), "\"DesktopMonitor1\"");
}

TEST(Battery, ChargeWithoutAVoltageHasNoEnergyAndOddValuesAreNull) {
  Tree tree;
  const std::string bat = "/sys/devices/platform/battery/power_supply/BAT9";
  tree.Write(bat + "/type", "Battery\n");
  tree.Write(bat + "/status", "Discharging\n");
  tree.Write(bat + "/capacity", "140\n");
  tree.Write(bat + "/capacity_level", "Critical\n");
  tree.Write(bat + "/charge_full_design", "4000000\n");
  tree.Write(bat + "/charge_now", "1000000\n");
  tree.Write(bat + "/current_now", "0\n");
  tree.Write(bat + "/technology", "Li-S\n");
  tree.Link("/sys/class/power_supply/BAT9", "../../devices/platform/battery/power_supply/BAT9");
  NativeObjectSystem system = tree.Provider();
  const Objects batteries = Query(system, "Win32_Battery");
  ASSERT_EQ(batteries.size(), 1u);
  EXPECT_EQ(ValueOf(batteries, "DesignCapacity"), "<null>");
  EXPECT_EQ(ValueOf(batteries, "EstimatedChargeRemaining"), "<null>");
  EXPECT_EQ(ValueOf(batteries, "EstimatedRunTime"), "<null>");  // no draw: no estimate
  EXPECT_EQ(ValueOf(batteries, "BatteryStatus"), "5 (0x5)");
  EXPECT_EQ(ValueOf(batteries, "Chemistry"), "1 (0x1)");
  EXPECT_EQ(ValueOf(batteries, "DeviceID"), "<null>");
  EXPECT_EQ(ValueOf(batteries, "PNPDeviceID"), "<null>");
}

TEST(SoundDevice, ACardWithoutCodecsIsNamedByItsBusDevice) {
  Tree tree;
  const std::string usb = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2";
  tree.Write(usb + "/idVendor", "046d\n");
  tree.Write(usb + "/idProduct", "0a44\n");
  tree.Write(usb + "/manufacturer", "Logitech\n");
  tree.Write(usb + "/1-2:1.0/bInterfaceNumber", "00\n");
  tree.Write(usb + "/1-2:1.0/sound/card3/id", "Headset\n");
  tree.Link(usb + "/1-2:1.0/sound/card3/device", "../..");
  tree.Link("/sys/class/sound/card3", "../.." + usb.substr(4) + "/1-2:1.0/sound/card3");
  tree.Write("/proc/asound/cards",
             " 3 [Headset        ]: USB-Audio - Logitech USB Headset\n"
             "                      Logitech Logitech USB Headset at usb-0000:00:14.0-2\n");
  NativeObjectSystem system = tree.Provider();
  const Objects devices = Query(system, "Win32_SoundDevice");
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(ValueOf(devices, "Name"), "\"Logitech USB Headset\"");
  EXPECT_EQ(ValueOf(devices, "Manufacturer"), "\"Logitech\"");
  EXPECT_EQ(ValueOf(devices, "PNPDeviceID"), "\"USB\\VID_046D&PID_0A44&MI_00\\1-2:1.0\"");
}

TEST(ComputerSystem, RescueBootIsFailSafeAndSambaDefaultsTheWorkgroup) {
  struct Row {
    const char* cmdline;
    const char* state;
  } rows[] = {
      {"ro quiet", "\"Normal boot\""},
      {"ro single", "\"Fail-safe boot\""},
      {"ro systemd.unit=emergency.target", "\"Fail-safe boot\""},
      {"ro singleuser", "\"Normal boot\""},
  };
  for (const Row& row : rows) {
    Tree tree;
    tree.Write("/proc/cmdline", std::string(row.cmdline) + "\n");
    tree.Write("/etc/samba/smb.conf", "[global]\n  server string = x\n");
    NativeObjectSystem system = tree.Provider();
    const Objects objects = Query(system, "Win32_ComputerSystem");
    EXPECT_EQ(ValueOf(objects, "BootupState"), row.state) << row.cmdline;
    EXPECT_EQ(ValueOf(objects, "Workgroup"), "\"WORKGROUP\"");
  }
}

}  // namespace
}  // namespace hwident::test
