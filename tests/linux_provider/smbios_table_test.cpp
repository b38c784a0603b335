// The SMBIOS walk over bytes a broken or hostile firmware may supply, and
// the memory decoding on top of it. The fixture reports pin whole tables;
// these pin each rule of the walk on its own.
#include <gtest/gtest.h>

#include "platform/linux/provider/sources/firmware/memory_devices.h"
#include "platform/linux/provider/sources/firmware/smbios_table.h"
#include "platform/linux/provider/sources/system/udev_database.h"

namespace hwident {
namespace {

// One structure: type, formatted length, bytes after the header, strings.
std::string Structure(std::uint8_t type, std::size_t length, std::string body = "",
                      const std::vector<std::string>& strings = {}) {
  std::string bytes = {static_cast<char>(type), static_cast<char>(length), '\x34', '\x12'};
  body.resize(length >= 4 ? length - 4 : 0, '\0');
  bytes += body;
  for (const std::string& text : strings) bytes += text + '\0';
  bytes += strings.empty() ? std::string(2, '\0') : std::string(1, '\0');
  return bytes;
}

std::string End() {
  return Structure(127, 4);
}

// A 3.x entry point bounds nothing the bytes do not bound already.
const SmbiosEntryPoint kUnbounded{3, 4, 0, std::nullopt};

std::vector<int> Types(const SmbiosTable& table) {
  std::vector<int> types;
  for (const SmbiosStructure& s : table.structures) types.push_back(s.type);
  return types;
}

TEST(SmbiosEntryPoint, GivesTheVersionAndBoundsOfBothKinds) {
  std::string v3 = "_SM3_";
  v3 += std::string("\x00\x18\x03\x05\x00\x01\x00", 7) + std::string("\x00\x02\x00\x00", 4);
  v3 += std::string(8, '\0');
  std::string v2 = "_SM_" + std::string("\x00\x1f\x02\x07", 4) + std::string(8, '\0');
  v2 += "_DMI_" + std::string(1, '\0') + std::string("\x10\x01", 2) + std::string(4, '\0');
  v2 += std::string("\x2a\x00", 2) + std::string(1, '\x27');
  const auto three = ParseSmbiosEntryPoint(v3);
  ASSERT_TRUE(three);
  EXPECT_EQ(std::tie(three->major, three->minor, three->tableLength), std::tuple(3, 5, 0x200u));
  EXPECT_EQ(three->structureCount, std::nullopt);
  const auto two = ParseSmbiosEntryPoint(v2);
  ASSERT_TRUE(two);
  EXPECT_EQ(std::tie(two->major, two->minor, two->tableLength), std::tuple(2, 7, 0x110u));
  EXPECT_EQ(two->structureCount, 42u);
  for (const std::string& refused :
       {v3.substr(0, 0x17), v2.substr(0, 0x1E), std::string("_SM_") + std::string(27, '\0'),
        std::string("_DMI_") + std::string(26, '\0'), std::string()}) {
    EXPECT_EQ(ParseSmbiosEntryPoint(refused), std::nullopt) << refused.size();
  }
}

TEST(SmbiosWalk, StopsAtTheEndMarkerTheCountTheLengthOrTheBytes) {
  const std::string three = Structure(1, 8) + Structure(2, 8) + Structure(3, 9);
  struct Row {
    const char* what;
    SmbiosEntryPoint entry;
    std::string bytes;
    std::vector<int> types;
  } rows[] = {
      {"end marker", kUnbounded, Structure(1, 8) + End() + Structure(2, 8), {1, 127}},
      {"no end marker", kUnbounded, three, {1, 2, 3}},
      {"2.x count", {2, 8, 0, 2}, three, {1, 2}},
      {"count of zero counts nothing", {2, 8, 0, 0}, three, {1, 2, 3}},
      {"length bound", {3, 0, 12, std::nullopt}, three, {1}},
      {"length cuts a structure", {3, 0, 9, std::nullopt}, three, {}},
      {"structure cut by the end", kUnbounded, three.substr(0, three.size() - 5), {1, 2}},
      {"no double NUL",
       kUnbounded,
       Structure(1, 8) + Structure(2, 8, "", {"x"}).substr(0, 10),
       {1}},
      {"length below a header", kUnbounded, Structure(1, 8) + Structure(2, 3) + End(), {1}},
      {"length past the end",
       kUnbounded,
       Structure(1, 8) + std::string("\x02\x40\x00\x00", 4),
       {1}},
      {"three stray bytes", kUnbounded, Structure(1, 8) + std::string("\x02\x04\x00", 3), {1}},
      {"empty", kUnbounded, "", {}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Types(ParseSmbiosTable(row.entry, row.bytes)), row.types) << row.what;
  }
}

TEST(SmbiosStrings, IndexZeroOrPastTheStringsIsNothing) {
  // Bytes 4-7 name strings 1, 0, 3 and 2 of a structure with two strings.
  const std::string bytes =
      Structure(1, 9, std::string("\x01\x00\x03\x02\x05", 5), {"first", "second"}) + End();
  const SmbiosTable table = ParseSmbiosTable(kUnbounded, bytes);
  ASSERT_FALSE(table.structures.empty());
  const SmbiosStructure& s = table.structures.front();
  EXPECT_EQ(s.String(4), "first");
  EXPECT_EQ(s.String(5), std::nullopt);
  EXPECT_EQ(s.String(6), std::nullopt);
  EXPECT_EQ(s.String(7), "second");
  EXPECT_EQ(s.String(9), std::nullopt);  // past the formatted area
  EXPECT_EQ(s.handle, 0x1234);
  // The next structure starts after the strings, not inside them.
  EXPECT_EQ(table.structures.back().type, 127);
}

TEST(SmbiosFields, BeyondTheFormattedLengthAreNothing) {
  const SmbiosTable table =
      ParseSmbiosTable(kUnbounded, Structure(4, 10, std::string("\x11\x22\x33\x44\x55\x66", 6)));
  const SmbiosStructure& s = table.structures.at(0);
  EXPECT_EQ(s.Byte(9), 0x66);
  EXPECT_EQ(s.Byte(10), std::nullopt);
  EXPECT_EQ(s.Word(8), 0x6655);
  EXPECT_EQ(s.Word(9), std::nullopt);
  EXPECT_EQ(s.Dword(6), 0x66554433u);
  EXPECT_EQ(s.Dword(7), std::nullopt);
  EXPECT_EQ(s.Qword(2), 0x6655443322111234u);
  EXPECT_EQ(s.Qword(3), std::nullopt);
  EXPECT_EQ(s.Qword(static_cast<std::size_t>(-1)), std::nullopt);
  // A structure shorter than its type's oldest length is not handed out.
  EXPECT_TRUE(table.OfType(4, 10).size() == 1 && table.OfType(4, 11).empty());
}

// A type-17 structure of SMBIOS 3.3 length with the given size fields.
std::string MemoryDevice(std::uint16_t size, std::uint32_t extended, std::size_t length = 0x5C,
                         std::uint16_t speed = 2400, std::uint32_t extendedSpeed = 0) {
  std::string body(length - 4, '\0');
  const auto put = [&body](std::size_t offset, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) {
      if (offset - 4 + i < body.size()) body[offset - 4 + i] = static_cast<char>(value >> (8 * i));
    }
  };
  put(0x0C, size, 2);
  put(0x1C, extended, 4);
  put(0x15, speed, 2);
  put(0x54, extendedSpeed, 4);
  put(0x0E, 0x0D, 1);  // SODIMM
  put(0x12, 0x18, 1);  // DDR3
  return Structure(17, length, body.substr(0, length - 4));
}

TEST(MemoryModules, SizeEncodingsGiveBytesOrNothing) {
  struct Row {
    const char* what;
    std::string device;
    std::optional<std::uint64_t> capacity;
  } rows[] = {
      {"megabytes", MemoryDevice(8192, 0), 8192ull << 20},
      {"kilobytes", MemoryDevice(0x8000 | 512, 0), 512ull << 10},
      {"unknown", MemoryDevice(0xFFFF, 0), std::nullopt},
      {"extended", MemoryDevice(0x7FFF, 131072), 131072ull << 20},
      {"extended, top bit reserved", MemoryDevice(0x7FFF, 0x80000000u | 65536), 65536ull << 20},
      {"7FFFh in a 2.6 structure", MemoryDevice(0x7FFF, 0, 0x1C), 0x7FFFull << 20},
  };
  for (const Row& row : rows) {
    const MemoryLayout layout = MemoryFromSmbios(ParseSmbiosTable(kUnbounded, row.device));
    ASSERT_EQ(layout.modules.size(), 1u) << row.what;
    EXPECT_EQ(layout.modules[0].capacity, row.capacity) << row.what;
  }
  // An empty slot is no module, but still counts for the slot numbers.
  const MemoryLayout layout =
      MemoryFromSmbios(ParseSmbiosTable(kUnbounded, MemoryDevice(0, 0) + MemoryDevice(1024, 0)));
  ASSERT_EQ(layout.modules.size(), 1u);
  EXPECT_EQ(layout.modules[0].slot, 1u);
  EXPECT_EQ(layout.modules[0].formFactor, 12);  // SODIMM in CIM
  EXPECT_EQ(layout.modules[0].memoryType, 24);  // DDR3 in CIM
}

TEST(MemoryModules, SpeedsAboveTheWordMoveToTheExtendedField) {
  const auto speed = [](std::string device) {
    return MemoryFromSmbios(ParseSmbiosTable(kUnbounded, device)).modules.at(0).speed;
  };
  EXPECT_EQ(speed(MemoryDevice(1024, 0, 0x5C, 0xFFFF, 70000)), 70000);
  EXPECT_EQ(speed(MemoryDevice(1024, 0, 0x28, 0xFFFF, 70000)), std::nullopt);
  EXPECT_EQ(speed(MemoryDevice(1024, 0, 0x15, 3200)), std::nullopt);  // SMBIOS 2.1: no speed
}

TEST(MemoryEnumerations, MapToTheCimNumbers) {
  struct Row {
    std::uint8_t smbios;
    std::int64_t formFactor, memoryType;
  } rows[] = {{0x01, 1, 1},   {0x02, 0, 0},  {0x03, 7, 2}, {0x09, 8, 11},
              {0x0D, 12, 15}, {0x12, 0, 20}, {0x1A, 0, 0}, {0xFF, 0, 0}};
  for (const Row& row : rows) {
    EXPECT_EQ(CimFormFactor(row.smbios), row.formFactor) << int(row.smbios);
    EXPECT_EQ(CimMemoryType(row.smbios), row.memoryType) << int(row.smbios);
  }
}

TEST(UdevMemory, ReadsPresentModulesAndTheArray) {
  const UdevProperties properties = ParseUdevProperties(
      "I:123\nE:MEMORY_ARRAY_EC_TYPE=Multi-bit ECC\nE:MEMORY_ARRAY_NUM_DEVICES=2\n"
      "E:MEMORY_DEVICE_0_PRESENT=0\nE:MEMORY_DEVICE_0_LOCATOR=A0\n"
      "E:MEMORY_DEVICE_1_SIZE=8589934592\nE:MEMORY_DEVICE_1_FORM_FACTOR=sodimm\n"
      "E:MEMORY_DEVICE_1_TYPE=DDR4\nE:MEMORY_DEVICE_1_CONFIGURED_VOLTAGE=1.2\n"
      "E:MEMORY_DEVICE_1_MINIMUM_VOLTAGE=1\nE:MEMORY_DEVICE_1_MAXIMUM_VOLTAGE=1.2345\n"
      "E:MEMORY_DEVICE_1_PART_NUMBER=PN  \nE:MEMORY_DEVICE_1_SPEED_MTS=fast\n"
      "E:MEMORY_DEVICE_1_SIZE=1\nE:=x\nE:NOVALUE\nS:disk/by-id/x\n"
      "E:MEMORY_DEVICE_99999999999999999999_SIZE=1\nE:MEMORY_DEVICE_2_SIZE=-5");
  const MemoryLayout layout = MemoryFromUdev(properties);
  ASSERT_EQ(layout.modules.size(), 1u);
  const MemoryModule& module = layout.modules[0];
  EXPECT_EQ(module.slot, 1u);
  EXPECT_EQ(module.capacity, 8589934592u);  // the first of two lines with one key
  EXPECT_EQ(module.formFactor, 12);
  EXPECT_EQ(module.smbiosMemoryType, 0x1A);
  EXPECT_EQ(module.memoryType, 0);
  EXPECT_EQ(module.configuredVoltage, 1200);
  EXPECT_EQ(module.minVoltage, 1000);
  EXPECT_EQ(module.maxVoltage, std::nullopt);  // more decimals than millivolts hold
  EXPECT_EQ(module.partNumber, "PN  ");
  EXPECT_EQ(module.speed, std::nullopt);
  EXPECT_EQ(module.deviceLocator, std::nullopt);
  ASSERT_EQ(layout.arrays.size(), 1u);
  EXPECT_EQ(layout.arrays[0].errorCorrection, 6);
  EXPECT_EQ(layout.arrays[0].memoryDevices, 2);
  EXPECT_EQ(layout.arrays[0].location, std::nullopt);
  EXPECT_TRUE(MemoryFromUdev(ParseUdevProperties("E:ID_VENDOR=x\n")).arrays.empty());
}

}  // namespace
}  // namespace hwident
