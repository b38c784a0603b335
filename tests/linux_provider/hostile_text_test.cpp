// The checked numbers every parser of machine files goes through, and the
// CPU lists built on them: hostile text gives nothing, never a wrapped value.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "platform/linux/provider/sources/storage/mount_table.h"
#include "platform/linux/provider/sources/storage/optical_drive.h"
#include "platform/linux/provider/sources/system/cpu_identity.h"
#include "platform/linux/provider/sources/system/pci_function.h"
#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/sources/system/proc_stat.h"
#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

TEST(ParseDecimalIn, TakesPlainDecimalWithinItsBoundsOnly) {
  struct Row {
    std::string text;
    std::int64_t low, high;
    std::optional<std::int64_t> value;
  } rows[] = {
      {"0", 0, 10, 0},
      {"10", 0, 10, 10},
      {"11", 0, 10, std::nullopt},
      {"-1", 0, 10, std::nullopt},
      {"-1", -1, 10, -1},
      {"9223372036854775807", kMin, kMax, kMax},
      {"9223372036854775808", kMin, kMax, std::nullopt},  // one past 64 bits
      {"-9223372036854775809", kMin, kMax, std::nullopt},
      {"99999999999999999999999999", kMin, kMax, std::nullopt},
      {"", kMin, kMax, std::nullopt},
      {"+1", kMin, kMax, std::nullopt},
      {" 1", kMin, kMax, std::nullopt},
      {"1 ", kMin, kMax, std::nullopt},
      {"1\n", kMin, kMax, std::nullopt},
      {"0x10", kMin, kMax, std::nullopt},
      {"1e3", kMin, kMax, std::nullopt},
      {"-", kMin, kMax, std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ParseDecimalIn(row.text, row.low, row.high), row.value) << row.text;
  }
}

TEST(ParseHexIn, TakesBareHexDigitsWithinTheirBound) {
  struct Row {
    std::string text;
    std::uint64_t high;
    std::optional<std::uint64_t> value;
  } rows[] = {
      {"41", 0xFF, 0x41},          {"fF", 0xFF, 0xFF},
      {"100", 0xFF, std::nullopt}, {"", 0xFF, std::nullopt},
      {"-1", 0xFF, std::nullopt},  {"0x41", 0xFF, std::nullopt},
      {"41 ", 0xFF, std::nullopt}, {"10000000000000000", ~0ull, std::nullopt},
  };
  for (const Row& row : rows) EXPECT_EQ(ParseHexIn(row.text, row.high), row.value) << row.text;
}

TEST(CheckedArithmetic, GivesNothingPastSixtyFourBits) {
  EXPECT_EQ(CheckedMultiply(1700000000, 1000000), 1700000000000000);
  EXPECT_EQ(CheckedMultiply(kMax, 1000000), std::nullopt);
  EXPECT_EQ(CheckedMultiply(kMin, -1), std::nullopt);
  EXPECT_EQ(CheckedMultiply(-4, 1024), -4096);
  EXPECT_EQ(CheckedAdd(kMax - 500, 500), kMax);
  EXPECT_EQ(CheckedAdd(kMax - 499, 500), std::nullopt);
  EXPECT_EQ(CheckedAdd(kMin, -1), std::nullopt);
}

TEST(ParseSizeKilobytes, ScalesByItsUnitWithoutOverflow) {
  struct Row {
    std::string text;
    std::optional<std::int64_t> kb;
  } rows[] = {
      {"32K", 32},
      {"2M", 2048},
      {"1G", 1048576},
      {"65536", 64},  // bytes, rounded down
      {"1023", 0},
      {"9223372036854775807K", kMax},
      {"9007199254740991M", 9007199254740991LL * 1024},
      {"9007199254740992M", std::nullopt},  // 2^63: one past
      {"8796093022208G", std::nullopt},
      {"-1K", std::nullopt},
      {"K", std::nullopt},
      {"", std::nullopt},
      {"12T", std::nullopt},
      {"1.5M", std::nullopt},
  };
  for (const Row& row : rows) EXPECT_EQ(ParseSizeKilobytes(row.text), row.kb) << row.text;
}

TEST(DecodeMountEscapes, DecodesOctalBytesAndLeavesTheRest) {
  struct Row {
    std::string text, decoded;
  } rows[] = {
      {"/media/My\\040Disc", "/media/My Disc"},
      {"/a\\134b", "/a\\b"},
      {"/a\\011\\012", "/a\t\n"},
      {"/a\\377", "/a\xff"},
      {"/a\\400", "/a\\400"},  // past a byte: kept as written
      {"/a\\777", "/a\\777"},
      {"/a\\04", "/a\\04"},  // cut short at the end
      {"/a\\08x", "/a\\08x"},
      {"\\", "\\"},
  };
  for (const Row& row : rows) EXPECT_EQ(DecodeMountEscapes(row.text), row.decoded) << row.text;
}

TEST(ArmImplementer, ReadsOneHexByteAfterItsPrefix) {
  struct Row {
    std::string code;
    std::optional<std::string> name;
  } rows[] = {
      {"0x41", "ARM"},         {"0xc0", "Ampere"},      {"0x0041", "ARM"},
      {"0x141", std::nullopt}, {"41", std::nullopt},    {"0x", std::nullopt},
      {"0x41 ", std::nullopt}, {"0x-41", std::nullopt}, {"0x100000000041", std::nullopt},
  };
  for (const Row& row : rows) EXPECT_EQ(ArmImplementer(row.code), row.name) << row.code;
}

TEST(CpuLoad, CountersPastTheirBoundAreNoReading) {
  const std::string big = std::to_string(std::int64_t{1} << 50);
  const std::string past = std::to_string((std::int64_t{1} << 50) + 1);
  struct Row {
    std::string before, after;
    std::optional<int> load;
  } rows[] = {
      {"cpu0 0 0 0 0\n", "cpu0 " + big + " 0 0 " + big + "\n", 50},
      {"cpu0 0 0 0 0\n", "cpu0 " + past + " 0 0 0\n", std::nullopt},
      {"cpu0 0 0 0 0\n", "cpu0 9223372036854775807 9223372036854775807 0 0\n", std::nullopt},
      {"cpu0 0 0 0 0\n", "cpu0 18446744073709551615 0 0 1\n", std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(LoadPercent(ParseCpuTimes(row.before), ParseCpuTimes(row.after), {0}), row.load)
        << row.after;
  }
  // Many CPUs at the bound: the sum over them passes 64 bits and is no
  // reading, rather than a wrapped share.
  std::string before, after;
  std::vector<int> cpus;
  for (int cpu = 0; cpu < 4096; ++cpu) {
    const std::string name = "cpu" + std::to_string(cpu);
    before += name + " 0 0 0 0\n";
    after += name + " " + big + " " + big + " " + big + " " + big + "\n";
    cpus.push_back(cpu);
  }
  EXPECT_EQ(LoadPercent(ParseCpuTimes(before), ParseCpuTimes(after), cpus), std::nullopt);
}

TEST(PciPnpDeviceId, ReadsTheAddressStrictly) {
  struct Row {
    std::string address, instance;
  } rows[] = {
      {"0000:00:02.0", "0&00&0&10"},
      {"10000:c1:1f.7", "10000&C1&0&FF"},
      {"0000:00:02", "0&00&0&00"},
      {"0000:00:02.0x", "0&00&0&00"},
      {"0000:00:999999999999.0", "0&00&0&00"},  // past 32 bits
      {"0000:00:-1.0", "0&00&0&00"},
      {"", "0&00&0&00"},
  };
  for (const Row& row : rows) {
    PciFunction function;
    function.address = row.address;
    const std::string id = PciPnpDeviceId(function);
    EXPECT_EQ(id.substr(id.rfind('\\') + 1), row.instance) << row.address;
  }
}

std::vector<int> Range(int first, int last) {
  std::vector<int> cpus;
  for (int cpu = first; cpu <= last; ++cpu) cpus.push_back(cpu);
  return cpus;
}

TEST(ParseCpuList, ExpandsWhatTheKernelPrintsAndRefusesTheRest) {
  std::string manyRanges;  // 32 KiB of the same range, over and over
  while (manyRanges.size() < 32 * 1024) manyRanges += "0-8191,";
  manyRanges.pop_back();
  std::string manySingles;  // every CPU the kernel can have, one by one
  for (int cpu = 0; cpu < kMaxCpus; ++cpu) manySingles += std::to_string(cpu) + ",";
  manySingles.pop_back();
  struct Row {
    std::string text;
    std::vector<int> cpus;
  } rows[] = {
      {"0-3,8,10-11\n", {0, 1, 2, 3, 8, 10, 11}},
      {"0\n", {0}},
      {"", {}},
      {"\n", {}},
      {"0-8191", Range(0, 8191)},
      {manySingles, Range(0, 8191)},
      // CPU numbers the kernel cannot have.
      {"8192", {}},
      {"0-8192", {}},
      {"9223372036854775807", {}},
      {"9223372036854775806-9223372036854775807", {}},
      {"0-9223372036854775807", {}},
      {"-1", {}},
      {"-1-3", {}},
      // Not in the kernel's order: backwards, repeated or overlapping.
      {"3-0", {}},
      {"4,2", {}},
      {"1,1", {}},
      {"0-3,3-5", {}},
      {manyRanges, {}},
      // Not numbers.
      {"0-3,,5", {}},
      {"a", {}},
      {"0 - 3", {}},
      {"0-3-5", {}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ParseCpuList(row.text), row.cpus) << row.text.substr(0, 60);
  }
}

TEST(ParseCpuInfo, KeepsNoMoreProcessorBlocksThanTheKernelCanHave) {
  std::string text;
  for (int cpu = 0; cpu < kMaxCpus + 5; ++cpu) text += "processor\t: 0\n\n";
  text += "Hardware\t: board\n";
  const CpuInfo info = ParseCpuInfo(text);
  EXPECT_EQ(info.processors.size(), static_cast<std::size_t>(kMaxCpus));
}

}  // namespace
}  // namespace hwident
