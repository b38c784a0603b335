// The EDID parser's refusals, the device ids built from bus ids, CPU load
// over an interval, locale ids, and the device classes' odd shapes that the
// fixture machines do not show.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "collect/collect_properties.h"
#include "collect/report_lines.h"
#include "platform/linux/provider/sources/display/drm_outputs.h"
#include "platform/linux/provider/sources/display/edid.h"
#include "platform/linux/provider/sources/sound/sound_devices.h"
#include "platform/linux/provider/sources/system/locale_id.h"
#include "platform/linux/provider/sources/system/pci_function.h"
#include "platform/linux/provider/sources/system/proc_stat.h"
#include "provider_test_support.h"

namespace hwident::test {
namespace {

namespace fs = std::filesystem;

void FixChecksum(std::string& b) {
  unsigned sum = 0;
  for (int i = 0; i < 127; ++i) sum += static_cast<unsigned char>(b[static_cast<std::size_t>(i)]);
  b[127] = static_cast<char>((256 - sum % 256) % 256);
}

// A detailed timing: pixel clock in 10 kHz, active and blanking pixels and
// lines (one field's lines when interlaced).
struct TimingBytes {
  unsigned clock10kHz;
  unsigned hActive, hBlank, vActive, vBlank;
  bool interlaced;
};

void PutTiming(std::string& b, const TimingBytes& t) {
  std::string timing(18, '\0');
  timing[0] = static_cast<char>(t.clock10kHz & 0xFF);
  timing[1] = static_cast<char>(t.clock10kHz >> 8);
  timing[2] = static_cast<char>(t.hActive & 0xFF);
  timing[3] = static_cast<char>(t.hBlank & 0xFF);
  timing[4] = static_cast<char>(((t.hActive >> 8) << 4) | (t.hBlank >> 8));
  timing[5] = static_cast<char>(t.vActive & 0xFF);
  timing[6] = static_cast<char>(t.vBlank & 0xFF);
  timing[7] = static_cast<char>(((t.vActive >> 8) << 4) | (t.vBlank >> 8));
  timing[17] = static_cast<char>(t.interlaced ? 0x9A : 0x1A);
  b.replace(54, 18, timing);
  FixChecksum(b);
}

// Display descriptors of the monitor name tag at 72, 90 and 108, each
// given its 13 text bytes as they stand (shorter ones padded with NULs).
void PutNames(std::string& b, const std::vector<std::string>& texts) {
  for (std::size_t i = 0; i < texts.size(); ++i) {
    std::string text = texts[i];
    text.resize(13, '\0');
    b.replace(72 + 18 * i, 18, std::string("\0\0\0\xfc\0", 5) + text);
  }
  FixChecksum(b);
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
  PutTiming(b, {13850, 1920, 160, 1080, 31, false});
  std::string text = name + "\n";
  text.resize(13, ' ');
  PutNames(b, {text});
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
  EXPECT_FALSE(edid->preferred->interlaced);
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
  const Row rows[] = {
      {"empty", ""},
      {"one byte short", Edid().substr(0, 127)},
      {"bad checksum", badChecksum},
      {"bad header", badHeader},
      {"all zero", std::string(128, '\0')},
  };
  for (const Row& row : rows) EXPECT_FALSE(ParseEdid(row.bytes)) << row.what;
}

// Monitors ship maker ids with codes outside A-Z: the maker and the
// hardware id made from it are left out, the rest of the block stays.
TEST(Edid, LeavesOutOnlyAMakerIdThatIsNotLetters) {
  struct Row {
    const char* what;
    unsigned char high, low;
    std::optional<std::string> maker;
  } rows[] = {
      {"AAA", 0x04, 0x21, "AAA"},
      {"ZZZ", 0x6B, 0x5A, "ZZZ"},
      {"all codes 0", 0x00, 0x00, std::nullopt},
      {"first code 0", 0x00, 0x21, std::nullopt},
      {"last code 0", 0x04, 0x20, std::nullopt},
      {"middle code 27", 0x07, 0x61, std::nullopt},
      {"first code 31", 0x7C, 0x21, std::nullopt},
      {"last code 31", 0x04, 0x3F, std::nullopt},
      {"bit 15 set", 0x90, 0xAC, std::nullopt},
  };
  for (const Row& row : rows) {
    std::string bytes = Edid();
    bytes[8] = static_cast<char>(row.high);
    bytes[9] = static_cast<char>(row.low);
    FixChecksum(bytes);
    const auto edid = ParseEdid(bytes);
    ASSERT_TRUE(edid) << row.what;
    EXPECT_EQ(edid->maker, row.maker) << row.what;
    EXPECT_EQ(EdidHardwareId(*edid).has_value(), row.maker.has_value()) << row.what;
    EXPECT_EQ(edid->product, 0xA0EC) << row.what;
    EXPECT_EQ(edid->name, "DELL P2419H") << row.what;
    EXPECT_TRUE(edid->preferred) << row.what;
  }
}

// The name's text as monitors really end it: a line feed and blanks, a
// NUL, 0xFF or an 8-bit byte after it. Only text unreadable from its first
// byte is refused; a later name descriptor stands in for an empty one.
TEST(Edid, ReadsTheNameUpToWhereItsTextEnds) {
  using namespace std::string_literals;
  struct Row {
    std::vector<std::string> texts;
    std::optional<std::string> name;
  } rows[] = {
      {{"LED W19"}, "LED W19"},
      {{"LED W19\0 \x01\x02\x03\x04"s}, "LED W19"},
      {{"VW192T\xff\xff\xff\xff\xff\xff\xff"}, "VW192T"},
      {{"FP731\xa0      "}, "FP731"},
      {{"FP731  \xa0\xa0\xa0\xa0\xa0\xa0"}, "FP731"},
      {{"DEL\x07 P2419H"}, "DEL"},
      {{"\x07P2419H"}, std::nullopt},
      {{"\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff"}, std::nullopt},
      {{"\xa0P2419H"}, std::nullopt},
      {{"\n            "}, std::nullopt},
      {{"\n            ", "QHD 27\n"}, "QHD 27"},
      {{"", "", "LED W19"}, "LED W19"},
      {{"\xff\xff", "QHD 27\n"}, "QHD 27"},
      {{"FIRST\n", "SECOND\n"}, "FIRST"},
  };
  for (const Row& row : rows) {
    std::string bytes = Edid();
    PutNames(bytes, row.texts);
    const auto edid = ParseEdid(bytes);
    ASSERT_TRUE(edid) << row.texts[0];
    EXPECT_EQ(edid->name, row.name) << row.texts[0] << " (" << row.texts.size() << ")";
  }
}

// An interlaced timing stores one field's lines; the mode is a frame of
// two, and its rate the fields per second the kernel lists.
TEST(Edid, CountsAnInterlacedTimingByFrameAndField) {
  struct Row {
    const char* what;
    TimingBytes timing;
    int height, refreshHz;
  } rows[] = {
      {"1080i60", {7425, 1920, 280, 540, 22, true}, 1080, 60},
      {"1080i50", {7425, 1920, 720, 540, 22, true}, 1080, 50},
      {"576i50", {2700, 1440, 288, 288, 24, true}, 576, 50},
      {"480i60", {2700, 1440, 276, 240, 22, true}, 480, 60},
  };
  for (const Row& row : rows) {
    std::string bytes = Edid();
    PutTiming(bytes, row.timing);
    const auto edid = ParseEdid(bytes);
    ASSERT_TRUE(edid && edid->preferred) << row.what;
    EXPECT_EQ(edid->preferred->width, static_cast<int>(row.timing.hActive)) << row.what;
    EXPECT_EQ(edid->preferred->height, row.height) << row.what;
    EXPECT_EQ(edid->preferred->interlaced, row.timing.interlaced) << row.what;
    EXPECT_EQ(edid->preferred->refreshHz, row.refreshHz) << row.what;
  }
  // Pixel clock 0: a descriptor, not a timing.
  std::string noTiming = Edid();
  noTiming[54] = 0;
  noTiming[55] = 0;
  FixChecksum(noTiming);
  EXPECT_FALSE(ParseEdid(noTiming)->preferred);
}

// The rate is the preferred timing's only while the output shows that very
// mode: size and interlacing alike.
TEST(OutputRefreshRate, IsThePreferredTimingsOnlyInThatMode) {
  std::string interlaced = Edid();
  PutTiming(interlaced, {7425, 1920, 280, 540, 22, true});
  struct Row {
    const char* what;
    std::string edid;
    int width, height;
    bool interlaced;
    std::optional<int> rate;
  } rows[] = {
      {"progressive, same mode", Edid(), 1920, 1080, false, 60},
      {"progressive, other mode", Edid(), 1280, 1024, false, std::nullopt},
      {"progressive timing, interlaced mode", Edid(), 1920, 1080, true, std::nullopt},
      {"interlaced, same mode", interlaced, 1920, 1080, true, 60},
      {"interlaced timing, progressive mode", interlaced, 1920, 1080, false, std::nullopt},
      {"interlaced, a field's lines", interlaced, 1920, 540, true, std::nullopt},
  };
  for (const Row& row : rows) {
    DrmOutput output;
    output.width = row.width;
    output.height = row.height;
    output.interlaced = row.interlaced;
    output.edid = row.edid;
    EXPECT_EQ(OutputRefreshRate(output), row.rate) << row.what;
  }
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

TEST(CpuLoad, IsTheBusyShareOfTheTicksBetweenTwoReadings) {
  const std::string before = "cpu  9 9 9 9\ncpu0 100 0 50 800 50 0 0 0 7 7\ncpu1 10 0 0 90\n";
  struct Row {
    const char* what;
    std::string after;
    std::vector<int> cpus;
    std::optional<int> load;
  } rows[] = {
      {"half busy", "cpu0 105 0 55 805 55 0 0 0 7 7\ncpu1 10 0 0 90\n", {0}, 50},
      {"iowait is idle", "cpu0 100 0 50 800 60 0 0 0 0 0\n", {0}, 0},
      {"two cpus summed", "cpu0 110 0 50 800 50\ncpu1 10 0 0 120\n", {0, 1}, 25},
      {"rounded", "cpu0 102 0 50 801 50\n", {0}, 67},
      {"no tick passed", before, {0, 1}, std::nullopt},
      {"counter went back", "cpu0 90 0 50 900 50\n", {0}, std::nullopt},
      {"cpu not listed", "cpu0 110 0 50 800 50\n", {5}, std::nullopt},
      {"malformed line", "cpu0 110 x 50 800 50\n", {0}, std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(LoadPercent(ParseCpuTimes(before), ParseCpuTimes(row.after), row.cpus), row.load)
        << row.what;
  }
  EXPECT_TRUE(ParseCpuTimes("cpu0 1 2 3\ncpuX 1 2 3 4\n").empty());
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

// Each socket's busy share over one interval, sampled once for the query
// however many sockets ask; a request that does not print LoadPercentage
// never waits for it.
TEST(LoadPercentage, SamplesOnceAQueryAndOnlyWhenPrinted) {
  Tree tree;
  std::string cpuinfo;
  for (int cpu = 0; cpu < 4; ++cpu) {
    cpuinfo += "processor\t: " + std::to_string(cpu) +
               "\nvendor_id\t: GenuineIntel\nphysical id\t: " + std::to_string(cpu / 2) + "\n\n";
  }
  tree.Write("/proc/cpuinfo", cpuinfo);
  const std::string idle = "cpu0 0 0 0 0\ncpu1 0 0 0 0\ncpu2 0 0 0 0\ncpu3 0 0 0 0\n";
  int pauses = 0;
  tree.Live().onPause = [&] {
    ++pauses;
    // Socket 0 fully busy, socket 1 a quarter busy.
    tree.Write("/proc/stat", "cpu0 5 0 0 0\ncpu1 5 0 0 0\ncpu2 1 0 0 3\ncpu3 1 0 0 3\n");
  };
  NativeObjectSystem system = tree.Provider();
  tree.Write("/proc/stat", idle);
  const Objects sockets = Query(system, "Win32_Processor");
  ASSERT_EQ(sockets.size(), 2u);
  EXPECT_EQ(ValueOf(sockets, "LoadPercentage", 0), "100 (0x64)");
  EXPECT_EQ(ValueOf(sockets, "LoadPercentage", 1), "25 (0x19)");
  EXPECT_EQ(pauses, 1);

  Services* services = nullptr;
  ASSERT_EQ(Connect(system, &services), 0);
  const struct {
    const char* list;
    int pauses;
  } requests[] = {{"Name,NumberOfCores", 0}, {"Name,loadpercentage", 1}};
  for (const auto& request : requests) {
    pauses = 0;
    tree.Write("/proc/stat", idle);
    g_reportLines.clear();
    CollectProperties(ServiceConnection{system, services}, "Select * from Win32_Processor",
                      request.list);
    g_reportLines.clear();
    EXPECT_EQ(pauses, request.pauses) << request.list;
  }
  services->Release();
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
