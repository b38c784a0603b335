// Machine files filled with hostile numbers, read through the real query
// path: each value the provider cannot trust comes out null (or the next
// source stands in), never wrapped, never a crash.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/memory_source_reader.h"
#include "provider_test_support.h"

namespace hwident::test {
namespace {

std::string CpuBlock(int cpu, const std::string& extra = "") {
  return "processor\t: " + std::to_string(cpu) +
         "\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 158\n"
         "model name\t: Test CPU\nstepping\t: 10\nphysical id\t: 0\nsiblings\t: 2\n"
         "cpu cores\t: 2\nflags\t\t: fpu\n" +
         extra + "\n";
}

// Two CPUs in one package, and nothing else unless a row adds it.
std::shared_ptr<MemorySourceReader> BaseMachine() {
  auto machine = std::make_shared<MemorySourceReader>();
  machine->AddFile("/proc/cpuinfo", CpuBlock(0) + CpuBlock(1));
  return machine;
}

std::string Value(std::shared_ptr<MemorySourceReader> machine, const std::string& className,
                  const std::string& property) {
  auto live = std::make_shared<FixedLiveFacts>();
  NativeObjectSystem system(std::move(machine), live);
  return ValueOf(Query(system, className), property);
}

struct Row {
  std::string path, content, className, property, expected;
};

void Check(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    auto machine = BaseMachine();
    machine->AddFile(row.path, row.content);
    EXPECT_EQ(Value(machine, row.className, row.property), row.expected)
        << row.path << " holding " << row.content.substr(0, 60);
  }
}

TEST(HostileNumbers, OnlineCpuListsOutOfRangeFallBackToCpuInfo) {
  std::string ranges;
  while (ranges.size() < 32 * 1024) ranges += "0-8191,";
  const std::string online = "/sys/devices/system/cpu/online";
  const std::string cs = "Win32_ComputerSystem", count = "NumberOfLogicalProcessors";
  Check({
      {online, "0-5\n", cs, count, "6 (0x6)"},
      {online, "0-8191\n", cs, count, "8192 (0x2000)"},
      {online, "9223372036854775807\n", cs, count, "2 (0x2)"},
      {online, "0-9223372036854775807\n", cs, count, "2 (0x2)"},
      {online, "8192\n", cs, count, "2 (0x2)"},
      {online, ranges, cs, count, "2 (0x2)"},
  });
}

TEST(HostileNumbers, BootTimesADatetimeCannotShowAreNull) {
  const std::string os = "Win32_OperatingSystem", boot = "LastBootUpTime";
  Check({
      {"/proc/stat", "cpu 1 2 3\nbtime 1700000000\n", os, boot, "\"20231114221320.000000+000\""},
      {"/proc/stat", "btime 0\n", os, boot, "\"19700101000000.000000+000\""},
      {"/proc/stat", "btime 9223372036854775807\n", os, boot, "<null>"},
      {"/proc/stat", "btime 9223372036854775808\n", os, boot, "<null>"},
      {"/proc/stat", "btime 253370764800\n", os, boot, "<null>"},  // 9999-01-01
      {"/proc/stat", "btime -1\n", os, boot, "<null>"},
  });
}

TEST(HostileNumbers, ClocksOutOfRangeGiveWayToTheNextSource) {
  const std::string cpu = "Win32_Processor", clock = "MaxClockSpeed";
  const std::string base = "/sys/devices/system/cpu/cpu0/cpufreq/base_frequency";
  Check({
      {base, "3200000\n", cpu, clock, "3200 (0xC80)"},
      // cpuinfo has no clock in the base machine, so nothing is left.
      {base, "9223372036854775807\n", cpu, clock, "<null>"},
      {base, "9223372036854775500\n", cpu, clock, "<null>"},
      {base, "-3200000\n", cpu, clock, "<null>"},
      {"/proc/cpuinfo", CpuBlock(0, "cpu MHz\t\t: 2400.6"), cpu, clock, "2401 (0x961)"},
      {"/proc/cpuinfo", CpuBlock(0, "cpu MHz\t\t: nan"), cpu, clock, "<null>"},
      {"/proc/cpuinfo", CpuBlock(0, "cpu MHz\t\t: inf"), cpu, clock, "<null>"},
      {"/proc/cpuinfo", CpuBlock(0, "cpu MHz\t\t: 1e300"), cpu, clock, "<null>"},
      {"/proc/cpuinfo", CpuBlock(0, "cpu MHz\t\t: 2400abc"), cpu, clock, "<null>"},
  });
}

TEST(HostileNumbers, CacheSizesThatOverflowAreNull) {
  const std::string cpu = "Win32_Processor", l2 = "L2CacheSize";
  const std::string index = "/sys/devices/system/cpu/cpu0/cache/index2/";
  for (const auto& [size, expected] : std::vector<std::pair<std::string, std::string>>{
           {"256K", "256 (0x100)"},
           {"2M", "2048 (0x800)"},
           {"9223372036854775807K", "<null>"},  // past 32 bits
           {"9007199254740992M", "<null>"},     // times 1024 passes 64 bits
           {"9007199254740992G", "<null>"},
           {"-5K", "<null>"},
           {"K", "<null>"},
       }) {
    auto machine = BaseMachine();
    machine->AddFile(index + "level", "2\n");
    machine->AddFile(index + "type", "Unified\n");
    machine->AddFile(index + "size", size + "\n");
    EXPECT_EQ(Value(machine, cpu, l2), expected) << size;
  }
}

TEST(HostileNumbers, CacheSizesThatAddUpPastSixtyFourBitsAreNull) {
  auto machine = BaseMachine();
  for (int cpu = 0; cpu < 2; ++cpu) {
    const std::string index =
        "/sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/cache/index2/";
    machine->AddFile(index + "level", "2\n");
    machine->AddFile(index + "size", "4398046511104G\n");  // 2^62 KB: each fits
    machine->AddFile(index + "shared_cpu_list", std::to_string(cpu) + "\n");
  }
  EXPECT_EQ(Value(machine, "Win32_Processor", "L2CacheSize"), "<null>");
}

// A package of one kind of core takes its caches from the first core; a
// cache shared by part of the package, or cores of two kinds, are read
// instance by instance, and all give the sum of the instances.
TEST(CacheTotals, PartlySharedCachesAndHybridPackagesAreCountedInstanceByInstance) {
  struct Cache {
    int level;
    std::vector<std::string> sizes;  // by CPU
    std::vector<std::string> shared;
  };
  const auto machineWith = [](const std::string& flags, const std::vector<Cache>& caches) {
    auto machine = std::make_shared<MemorySourceReader>();
    std::string cpuinfo;
    for (int cpu = 0; cpu < 4; ++cpu) {
      cpuinfo +=
          CpuBlock(cpu, "core id\t\t: " + std::to_string(cpu) + "\nflags\t\t: " + flags + "\n");
    }
    machine->AddFile("/proc/cpuinfo", cpuinfo);
    for (std::size_t index = 0; index < caches.size(); ++index) {
      for (int cpu = 0; cpu < 4; ++cpu) {
        const std::string dir = "/sys/devices/system/cpu/cpu" + std::to_string(cpu) +
                                "/cache/index" + std::to_string(index) + "/";
        machine->AddFile(dir + "level", std::to_string(caches[index].level) + "\n");
        machine->AddFile(dir + "type", "Unified\n");
        machine->AddFile(dir + "size", caches[index].sizes[cpu] + "\n");
        machine->AddFile(dir + "shared_cpu_list", caches[index].shared[cpu] + "\n");
      }
    }
    return machine;
  };
  const Cache perCore{2, {"512K", "512K", "512K", "512K"}, {"0", "1", "2", "3"}};
  const Cache perPair{3, {"8M", "8M", "8M", "8M"}, {"0-1", "0-1", "2-3", "2-3"}};
  const Cache whole{3, {"8M", "8M", "8M", "8M"}, {"0-3", "0-3", "0-3", "0-3"}};
  auto uniform = machineWith("fpu", {perCore, whole});
  EXPECT_EQ(Value(uniform, "Win32_Processor", "L2CacheSize"), "2048 (0x800)");
  EXPECT_EQ(Value(uniform, "Win32_Processor", "L3CacheSize"), "8192 (0x2000)");
  EXPECT_EQ(Value(machineWith("fpu", {perCore, perPair}), "Win32_Processor", "L3CacheSize"),
            "16384 (0x4000)");
  // Two performance cores with their own L2, two efficient ones sharing one.
  const Cache hybrid{2, {"1280K", "1280K", "2M", "2M"}, {"0", "1", "2-3", "2-3"}};
  EXPECT_EQ(Value(machineWith("fpu hybrid_cpu", {hybrid}), "Win32_Processor", "L2CacheSize"),
            "4608 (0x1200)");
}

TEST(HostileNumbers, MemoryFiguresOutOfRangeAreNull) {
  const std::string cs = "Win32_ComputerSystem", total = "TotalPhysicalMemory";
  Check({
      {"/proc/meminfo", "MemTotal:       16303428 kB\n", cs, total, "\"16694710272\""},
      {"/proc/meminfo", "MemTotal: 18446744073709551615 kB\n", cs, total, "<null>"},
      {"/proc/meminfo", "MemTotal: 9223372036854775807 kB\n", cs, total, "<null>"},
      {"/proc/meminfo", "MemTotal: -5 kB\n", cs, total, "<null>"},
      {"/proc/meminfo", "MemTotal: 0x10 kB\n", cs, total, "<null>"},
      // The largest figure whose byte count, and a sum of two, fit.
      {"/proc/meminfo", "MemTotal: 4503599627370495 kB\n", cs, total, "\"4611686018427386880\""},
      {"/proc/meminfo", "MemTotal: 4503599627370496 kB\n", cs, total, "<null>"},
  });
}

TEST(HostileNumbers, CpuNumbersAndModelsOutOfRangeAreRefused) {
  const std::string cpu = "Win32_Processor";
  Check({
      {"/proc/cpuinfo", CpuBlock(0), cpu, "Revision", "40458 (0x9E0A)"},
      {"/proc/cpuinfo", "processor\t: 0\ncpu family\t: 6\nmodel\t\t: 99999999\nstepping\t: 1\n",
       cpu, "Revision", "<null>"},
      {"/proc/cpuinfo",
       "processor\t: 0\ncpu family\t: 6\nmodel\t\t: 158\nstepping\t: -9223372036854775807\n", cpu,
       "Revision", "<null>"},
  });
}

TEST(HostileNumbers, DriveAddressesOutOfRangeNameNoDrive) {
  for (const auto& [address, expected] : std::vector<std::pair<std::string, std::string>>{
           {"1:0:2:0", "\"SCSI\\CDROM&VEN_ACME&PROD_DRIVE\\1&000200\""},
           {"1:0:99999999999:0", "<null>"},
           {"1:0:-2:0", "<null>"},
           {"1:0:2", "<null>"},
           {"1:0:2:0:0", "<null>"},
       }) {
    auto machine = BaseMachine();
    const std::string device = "/sys/devices/host1/" + address;
    machine->AddFile(device + "/vendor", "ACME\n");
    machine->AddFile(device + "/model", "DRIVE\n");
    machine->AddLink("/sys/block/sr0/device", "../../devices/host1/" + address);
    EXPECT_EQ(Value(machine, "Win32_CDROMDrive", "DeviceID"), expected) << address;
  }
}

TEST(HostileNumbers, BatteryChargesNoBatteryHoldsAreNull) {
  const std::string bat = "/sys/class/power_supply/BAT0/";
  for (const auto& [charge, expected] : std::vector<std::pair<std::string, std::string>>{
           {"5000000", "57000 (0xDEA8)"},  // 5 Ah at 11.4 V
           {"9223372036854775807", "<null>"},
           {"-5000000", "<null>"},
       }) {
    auto machine = BaseMachine();
    machine->AddFile(bat + "type", "Battery\n");
    machine->AddFile(bat + "charge_full_design", charge + "\n");
    machine->AddFile(bat + "voltage_min_design", "11400000\n");
    EXPECT_EQ(Value(machine, "Win32_Battery", "DesignCapacity"), expected) << charge;
  }
}

// A file past the size bound reads as unreadable, so the next source speaks.
TEST(HostileNumbers, FilesPastTheSizeBoundAreUnreadable) {
  const std::string online = "/sys/devices/system/cpu/online";
  std::string padded = "0-5";
  padded.resize(kMaxSourceFileBytes, '\n');
  Check({
      {online, padded, "Win32_ComputerSystem", "NumberOfLogicalProcessors", "6 (0x6)"},
      {online, padded + "\n", "Win32_ComputerSystem", "NumberOfLogicalProcessors", "2 (0x2)"},
  });
}

TEST(RootedSourceReader, ReadsAFileUpToTheBoundAndNoFurther) {
  char pattern[] = "/tmp/hwident-bound-XXXXXX";
  const std::string root = ::mkdtemp(pattern);
  for (const std::size_t size : {kMaxSourceFileBytes, kMaxSourceFileBytes + 1}) {
    std::ofstream(root + "/file", std::ios::binary) << std::string(size, 'x');
    RootedSourceReader reader(root, true);
    const auto text = reader.Read("/file");
    EXPECT_EQ(text.has_value(), size <= kMaxSourceFileBytes) << size;
    if (text) {
      EXPECT_EQ(text->size(), size);
    }
  }
  std::filesystem::remove_all(root);
}

// An attribute is taken from one short read; anything else is looked at
// first. A device laid over an attribute (as containers mask files with
// /dev/null) or a pipe reads as no file, an empty file as empty text, and
// a file longer than one read comes whole, for root and for an ordinary
// user alike.
TEST(RootedSourceReader, AttributesReadWholeAndDevicesNotAtAll) {
  char pattern[] = "/tmp/hwident-attributes-XXXXXX";
  const std::string root = ::mkdtemp(pattern);
  std::filesystem::create_directories(root + "/sys/x");
  std::filesystem::create_directories(root + "/proc");
  const std::string longText(10000, 'y');
  std::ofstream(root + "/sys/x/short") << "text\n";
  std::ofstream(root + "/sys/x/empty");
  std::ofstream(root + "/sys/x/long") << longText;
  std::ofstream(root + "/proc/long") << longText;
  ASSERT_EQ(::symlink("/dev/null", (root + "/sys/x/null").c_str()), 0);
  ASSERT_EQ(::symlink("/dev/zero", (root + "/sys/x/zero").c_str()), 0);
  ASSERT_EQ(::mkfifo((root + "/sys/x/pipe").c_str(), 0644), 0);
  for (const bool asRoot : {true, false}) {
    RootedSourceReader reader(root, asRoot);
    EXPECT_EQ(reader.Read("/sys/x/short"), "text\n") << asRoot;
    EXPECT_EQ(reader.Read("/sys/x/empty"), "") << asRoot;
    EXPECT_EQ(reader.Read("/sys/x/long"), longText) << asRoot;
    EXPECT_EQ(reader.Read("/proc/long"), longText) << asRoot;
    for (const char* device : {"/sys/x/null", "/sys/x/zero", "/sys/x/pipe", "/sys/x"}) {
      EXPECT_EQ(reader.Read(device), std::nullopt) << device << " " << asRoot;
    }
  }
  std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace hwident::test
