// The board's records from the SMBIOS table: caches, port connectors,
// slots and built-in devices. The fixture reports pin their scalar values;
// arrays print no text in a report, so their elements are pinned here, with
// the size encodings and enumerations the fixtures do not reach.
#include <gtest/gtest.h>

#include "platform/linux/provider/sources/firmware/cache_memory.h"
#include "platform/linux/provider/sources/firmware/onboard_devices.h"
#include "platform/linux/provider/sources/firmware/port_connectors.h"
#include "platform/linux/provider/sources/firmware/system_slots.h"
#include "provider_test_support.h"

namespace hwident::test {
namespace {

// One structure: type, formatted length, (offset, width, value) fields,
// strings.
struct Field {
  std::size_t offset;
  std::size_t width;
  std::uint64_t value;
};

std::string Structure(std::uint8_t type, std::size_t length, const std::vector<Field>& fields,
                      const std::vector<std::string>& strings = {}) {
  std::string bytes(length, '\0');
  bytes[0] = static_cast<char>(type);
  bytes[1] = static_cast<char>(length);
  for (const Field& field : fields) {
    for (std::size_t i = 0; i < field.width && field.offset + i < length; ++i) {
      bytes[field.offset + i] = static_cast<char>((field.value >> (8 * i)) & 0xFF);
    }
  }
  for (const std::string& text : strings) bytes += text + '\0';
  bytes += strings.empty() ? std::string(2, '\0') : std::string(1, '\0');
  return bytes;
}

SmbiosTable Table(const std::string& bytes) {
  return ParseSmbiosTable(SmbiosEntryPoint{3, 4, 0, std::nullopt}, bytes);
}

TEST(BoardArrays, HoldTheCimValuesOfTheFixtureTables) {
  struct Row {
    const char* machine;
    const char* className;
    std::size_t object;
    const char* property;
    const char* value;
  } rows[] = {
      // A PS/2 socket; a 9-pin header alone; a SATA receptacle CIM has no value for.
      {"desktop", "Win32_PortConnector", 0, "ConnectorType", "{61 (0x3D)}"},
      {"desktop", "Win32_PortConnector", 3, "ConnectorType", "{90 (0x5A)}"},
      {"desktop", "Win32_PortConnector", 6, "ConnectorType", "<null>"},
      // External before internal: DB-9 male, then the header.
      {"server", "Win32_PortConnector", 4, "ConnectorType", "{21 (0x15),2 (0x2),90 (0x5A)}"},
      {"server", "Win32_PortConnector", 0, "ConnectorType", "{22 (0x16),3 (0x3)}"},
      {"server", "Win32_PortConnector", 1, "ConnectorType", "{64 (0x40)}"},
      {"laptop", "Win32_PortConnector", 0, "ConnectorType", "<null>"},
      {"laptop", "Win32_PortConnector", 1, "ConnectorType", "{1 (0x1)}"},
      {"laptop", "Win32_PortConnector", 2, "ConnectorType", "{88 (0x58)}"},
      // PCI Express of any kind is PCI-E; PCI is PCI; M.2 and OCP have none.
      {"desktop", "Win32_SystemSlot", 0, "ConnectorType", "{100 (0x64)}"},
      {"desktop", "Win32_SystemSlot", 2, "ConnectorType", "{43 (0x2B)}"},
      {"server", "Win32_SystemSlot", 3, "ConnectorType", "<null>"},
      {"laptop", "Win32_SystemSlot", 0, "ConnectorType", "<null>"},
      {"old-desktop", "Win32_SystemSlot", 0, "ConnectorType", "{82 (0x52)}"},
      // 5 V before 3.3 V; unknown characteristics give nothing.
      {"desktop", "Win32_SystemSlot", 2, "VccMixedVoltageSupport", "{3 (0x3),2 (0x2)}"},
      {"desktop", "Win32_SystemSlot", 0, "VccMixedVoltageSupport", "{2 (0x2)}"},
      {"old-desktop", "Win32_SystemSlot", 2, "VccMixedVoltageSupport", "<null>"},
      // Synchronous SRAM is bit 5; pipeline burst bit 4.
      {"desktop", "Win32_CacheMemory", 0, "CurrentSRAM", "{5 (0x5)}"},
      {"old-desktop", "Win32_CacheMemory", 0, "SupportedSRAM", "{4 (0x4)}"},
  };
  for (const Row& row : rows) {
    FixtureProvider provider = MakeFixtureProvider(row.machine);
    const Objects objects = Query(*provider.system, row.className);
    ASSERT_GT(objects.size(), row.object) << row.machine << " " << row.className;
    EXPECT_EQ(ValueOf(objects, row.property, row.object), row.value)
        << row.machine << " " << row.className << " " << row.object << " " << row.property;
  }
}

TEST(CacheSizes, CountBlocksOfOneOr64KilobytesAndHandOverToTheDword) {
  struct Row {
    const char* what;
    std::uint16_t word;
    std::uint32_t dword;
    std::size_t length;
    std::optional<std::int64_t> kilobytes, blockSize, blocks;
  } rows[] = {
      {"1 KB blocks", 512, 0, 0x13, 512, 1024, 512},
      {"64 KB blocks", 0x8000 | 1024, 0, 0x13, 65536, 65536, 1024},
      {"all ones hands over", 0xFFFF, 0x80000000u | 40000, 0x1B, 2560000, 65536, 40000},
      {"all ones in a 2.1 structure", 0xFFFF, 0, 0x13, 32767 * 64, 65536, 32767},
      {"past a uint32 of KB", 0xFFFF, 0xFFFFFFFFu, 0x1B, std::nullopt, 65536, 0x7FFFFFFF},
  };
  for (const Row& row : rows) {
    const auto caches = CachesFromSmbios(Table(
        Structure(7, row.length, {{0x05, 2, 0x0180}, {0x09, 2, row.word}, {0x17, 4, row.dword}})));
    ASSERT_EQ(caches.size(), 1u) << row.what;
    EXPECT_EQ(caches[0].installedSize, row.kilobytes) << row.what;
    EXPECT_EQ(caches[0].blockSize, row.blockSize) << row.what;
    EXPECT_EQ(caches[0].numberOfBlocks, row.blocks) << row.what;
  }
}

TEST(CacheConfiguration, MapsLevelStateAndPolicyToCim) {
  struct Row {
    std::uint16_t configuration;
    std::int64_t level, location, availability, statusInfo, writePolicy;
  } rows[] = {
      {0x0180, 3, 0, 3, 3, 3},  // L1, internal, enabled, write back
      {0x0001, 4, 0, 8, 4, 4},  // L2, disabled, write through
      {0x02A2, 5, 1, 3, 3, 5},  // L3, external, varies with address
      {0x0363, 1, 3, 8, 4, 2},  // L4: CIM has no level; location and mode unknown
  };
  for (const Row& row : rows) {
    const auto caches = CachesFromSmbios(Table(Structure(7, 0x0F, {{0x05, 2, row.configuration}})));
    ASSERT_EQ(caches.size(), 1u);
    const CacheMemory& cache = caches[0];
    EXPECT_EQ(cache.level, row.level) << row.configuration;
    EXPECT_EQ(cache.location, row.location) << row.configuration;
    EXPECT_EQ(cache.availability, row.availability) << row.configuration;
    EXPECT_EQ(cache.statusInfo, row.statusInfo) << row.configuration;
    EXPECT_EQ(cache.writePolicy, row.writePolicy) << row.configuration;
    // The 2.0 length has no speed, type or associativity.
    EXPECT_EQ(cache.cacheType, std::nullopt);
    EXPECT_EQ(cache.associativity, std::nullopt);
  }
  // Shorter than the 2.0 length: broken, skipped.
  EXPECT_TRUE(CachesFromSmbios(Table(Structure(7, 0x0E, {}))).empty());
}

TEST(PortTypes, KeepTheSharedNumbersAndMoveThe8251Ports) {
  EXPECT_EQ(CimPortType(0x00), 0);
  EXPECT_EQ(CimPortType(0x1F), 31);
  EXPECT_EQ(CimPortType(0xA0), 32);
  EXPECT_EQ(CimPortType(0xA1), 33);
  EXPECT_EQ(CimPortType(0x20), std::nullopt);  // SATA
  EXPECT_EQ(CimPortType(0xFF), std::nullopt);  // other
}

TEST(SlotAddresses, NeedSmbios26AndAnAddress) {
  const std::vector<Field> common = {{0x05, 1, 0xB6}, {0x07, 1, 4}, {0x0B, 1, 0x04}};
  auto with = [&](std::vector<Field> more) {
    more.insert(more.end(), common.begin(), common.end());
    return more;
  };
  const auto slots = SlotsFromSmbios(
      Table(Structure(9, 0x11, with({{0x0D, 2, 2}, {0x0F, 1, 0x3A}, {0x10, 1, (0x1C << 3) | 5}})) +
            Structure(9, 0x11, with({{0x0D, 2, 0xFFFF}, {0x0F, 1, 0xFF}, {0x10, 1, 0xFF}})) +
            Structure(9, 0x0D, with({{0x0C, 1, 0x03}})) + Structure(9, 0x0B, with({}))));
  ASSERT_EQ(slots.size(), 3u);  // the last is too short for any version
  EXPECT_EQ(slots[0].segmentGroup, 2);
  EXPECT_EQ(slots[0].bus, 0x3A);
  EXPECT_EQ(slots[0].device, 0x1C);
  EXPECT_EQ(slots[0].function, 5);
  EXPECT_EQ(slots[1].bus, std::nullopt);
  EXPECT_EQ(slots[1].segmentGroup, std::nullopt);
  EXPECT_EQ(slots[2].bus, std::nullopt);
  EXPECT_EQ(slots[2].supportsHotPlug, true);
  EXPECT_EQ(slots[0].supportsHotPlug, false);
}

TEST(OnBoardDevices, ComeInTableOrderAcrossBothTypes) {
  const auto devices = OnBoardDevicesFromSmbios(
      Table(Structure(41, 0x0B, {{0x04, 1, 1}, {0x05, 1, 0x85}}, {"NIC"}) +
            Structure(10, 0x08, {{0x04, 1, 0x83}, {0x05, 1, 1}, {0x06, 1, 0x0F}, {0x07, 1, 2}},
                      {"VGA", "NVMe"}) +
            Structure(10, 0x05, {{0x04, 1, 0x87}})));  // too short for one device
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_EQ(devices[0].description, "NIC");
  EXPECT_EQ(devices[0].deviceType, 5);
  EXPECT_EQ(devices[1].description, "VGA");
  EXPECT_TRUE(devices[1].enabled);
  EXPECT_EQ(devices[2].description, "NVMe");
  EXPECT_EQ(devices[2].deviceType, std::nullopt);  // no CIM value
  EXPECT_FALSE(devices[2].enabled);
}

}  // namespace
}  // namespace hwident::test
