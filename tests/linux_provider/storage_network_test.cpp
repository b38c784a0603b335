// Disks, volumes and network adapters: the rules their parsers keep, and
// the array values the report leaves blank. The fixture reports pin the
// rest.
#include <gtest/gtest.h>

#include "platform/linux/provider/sources/network/ip_configuration.h"
#include "platform/linux/provider/sources/storage/block_disk.h"
#include "platform/linux/provider/sources/storage/mount_table.h"
#include "platform/linux/provider/sources/system/bus_device.h"
#include "provider_test_support.h"

namespace hwident::test {
namespace {

// Windows' size: whole cylinders of 255 heads × 63 sectors.
TEST(DiskGeometry, RoundsDownToWholeCylinders) {
  struct Row {
    std::uint64_t bytes;
    std::uint32_t sector;
    std::uint64_t cylinders;
  } rows[] = {
      {53687091200ULL, 512, 6527},      // 50 GiB: 53,686,402,560 bytes on Windows
      {1719060000000ULL, 512, 208997},  // 1,719,058,844,160 bytes on Windows
      {8225279, 512, 0},                // less than one cylinder
      {8225280, 512, 1},                // exactly one
      {3000592982016ULL, 4096, 45600},  // 4K sectors: cylinders of 65,802,240 bytes
      {1000, 0, 0},                     // no sector size
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Cylinders(row.bytes, row.sector), row.cylinders) << row.bytes;
  }
  EXPECT_EQ(Cylinders(53687091200ULL, 512) * 255 * 63 * 512, 53686402560ULL);
}

TEST(DiskSerials, NvmeIdsAndUnitSerialPages) {
  struct Row {
    std::string id;
    std::optional<std::string> serial;
  } ids[] = {
      {"00 25 38 5b 21 b2 4a 4b", "0025_385B_21B2_4A4B."},
      {"e8238fa6-bf53-0001-001b-448b474b9d8d", "E823_8FA6_BF53_0001_001B_448B_474B_9D8D."},
      {"00000000-0000-0000-0000-000000000000", std::nullopt},
      {"", std::nullopt},
      {"00 25 38", std::nullopt},
      {"zz 25 38 5b 21 b2 4a 4b", std::nullopt},
  };
  for (const Row& row : ids) EXPECT_EQ(NvmeIdSerial(row.id), row.serial) << row.id;
  using namespace std::string_literals;
  struct Page {
    std::string bytes;
    std::optional<std::string> serial;
  } pages[] = {
      {"\0\x80\0\x05WD123"s, "WD123"},
      {"\0\x80\0\x08  AB12  "s, "AB12"},
      {"\0\x80\0\x10SHORT"s, "SHORT"},  // a length past the end is cut
      {"\0\x83\0\x03"
       "ABC"s,
       std::nullopt},  // another page
      {"\0\x80\0"s, std::nullopt},
      {"\0\x80\0\x04    "s, std::nullopt},
  };
  for (const Page& page : pages) EXPECT_EQ(VpdPage80Serial(page.bytes), page.serial);
}

TEST(PartitionTypes, NameGptGuidsAndMbrBytesAsWindowsDoes) {
  struct Row {
    std::optional<std::string> scheme, type, flags;
    std::optional<std::string> text;
    std::optional<bool> bootable;
  } rows[] = {
      {"gpt", "c12a7328-f81f-11d2-ba4b-00a0c93ec93b", std::nullopt, "GPT: System", true},
      {"gpt", "ebd0a0a2-b9e5-4433-87c0-68b6b72699c7", std::nullopt, "GPT: Basic Data", false},
      {"gpt", "0fc63daf-8483-4772-8e79-3d69d8477de4", std::nullopt, "GPT: Unknown", false},
      {"dos", "0x7", "0x80", "Installable File System", true},
      {"dos", "0xc", std::nullopt, "Win95 w/Extended Int 13", false},
      {"dos", "0x83", "0x0", "Unknown", false},
      {"dos", "0x83", "junk", "Unknown", std::nullopt},
      {std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
      {"atari", "0x1", std::nullopt, std::nullopt, std::nullopt},
  };
  for (const Row& row : rows) {
    BlockPartition partition;
    partition.scheme = row.scheme, partition.type = row.type, partition.flags = row.flags;
    EXPECT_EQ(PartitionTypeText(partition), row.text) << row.type.value_or("-");
    EXPECT_EQ(PartitionBootable(partition), row.bootable) << row.type.value_or("-");
  }
}

TEST(MountInfo, DecodesEscapesAndSkipsLinesOfAnotherShape) {
  const auto entries = ParseMountInfo(
      "36 1 8:2 / /media/a\\040b rw - ext4 /dev/sda2 rw\n"
      "37 1 8:3 /sub /x rw shared:1 master:2 - xfs /dev/sda3 rw\n"
      "garbage line\n"
      "38 1 0:5 / /y rw -\n"
      "39 1 0:52 / /mnt\\134q rw - nfs4 nas:/b\\011c rw\n");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].mountPoint, "/media/a b");
  EXPECT_EQ(entries[1].root, "/sub");
  EXPECT_EQ(entries[1].fsType, "xfs");
  EXPECT_EQ(entries[2].mountPoint, "/mnt\\q");
  EXPECT_EQ(entries[2].source, "nas:/b\tc");
}

// The server mounts one disk three times (two bind mounts around the whole
// file system), an NFS and an SMB share; pseudo file systems are no volumes.
TEST(Volumes, EachFileSystemOnceAtItsWholeMount) {
  FixtureProvider server = MakeFixtureProvider("server");
  const Objects volumes = Query(*server.system, "Win32_LogicalDisk");
  std::vector<std::string> points;
  for (std::size_t i = 0; i < volumes.size(); ++i)
    points.push_back(ValueOf(volumes, "DeviceID", i));
  EXPECT_EQ(points, (std::vector<std::string>{"\"/\"", "\"/boot\"", "\"/srv/data\"",
                                              "\"/mnt/backup\"", "\"/mnt/it share\""}));
  FixtureProvider laptop = MakeFixtureProvider("laptop");
  const Objects onLaptop = Query(*laptop.system, "Win32_LogicalDisk");
  ASSERT_EQ(onLaptop.size(), 3u) << "snap images and overlays are no volumes";
  EXPECT_EQ(ValueOf(onLaptop, "DriveType", 2), "2 (0x2)");
}

TEST(Disks, ComeInTheKernelsIndexOrder) {
  FixtureProvider bench = MakeFixtureProvider("storage-bench");
  const Objects disks = Query(*bench.system, "Win32_DiskDrive");
  ASSERT_EQ(disks.size(), 16u);
  for (std::size_t i = 0; i < disks.size(); ++i) {
    EXPECT_EQ(ValueOf(disks, "SerialNumber", i),
              "\"WW" + std::string(6 - std::to_string(i).size(), '0') + std::to_string(i) + "\"");
  }
  EXPECT_EQ(Query(*bench.system, "Win32_DiskPartition").size(), 64u);
}

TEST(IdsDatabase, FindsVendorsAndTheirProductsOnly) {
  const std::string ids =
      "# comment\n8086  Intel Corporation\n\t1521  I350 Gigabit Network Connection\n"
      "\t\t1028 1f9a  Gigabit 4P I350-t rNDC\n\t1533  I210 Gigabit Network Connection\n"
      "10ec  Realtek Semiconductor Co., Ltd.\n\t8168  RTL8111/8168 PCI Express Gigabit\n"
      "C 02  Network controller\n";
  struct Row {
    std::string vendor, product;
    std::optional<std::string> name;
  } rows[] = {
      {"8086", "", "Intel Corporation"},
      {"8086", "1533", "I210 Gigabit Network Connection"},
      {"8086", "8168", std::nullopt},  // another vendor's product
      {"10ec", "8168", "RTL8111/8168 PCI Express Gigabit"},
      {"1028", "", std::nullopt},  // a subsystem line is no vendor
      {"ffff", "", std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(LookUpIds(ids, row.vendor, row.product), row.name) << row.vendor << row.product;
  }
}

TEST(Routes, DefaultGatewaysOfTheInterfaceOnly) {
  const std::string ipv4 =
      "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\n"
      "eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\n"
      "eth0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\n"
      "eth1\t00000000\t010A0A0A\t0003\t0\t0\t100\t00000000\n"
      "eth0\t00000000\t00000000\t0001\t0\t0\t100\t00000000\n"
      "eth0\tzz\t0101A8C0\t0003\t0\t0\t100\t00000000\n";
  EXPECT_EQ(ParseIpv4DefaultGateways(ipv4, "eth0"), std::vector<std::string>{"192.168.1.1"});
  const std::string ipv6 =
      "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
      "fe800000000000000000000000000001 00000400 00000001 00000000 00000003 eth0\n"
      "20010db8000000000000000000000000 40 00000000000000000000000000000000 00 "
      "00000000000000000000000000000000 00000100 00000001 00000000 00000001 eth0\n";
  EXPECT_EQ(ParseIpv6DefaultGateways(ipv6, "eth0"), std::vector<std::string>{"fe80::1"});
  EXPECT_EQ(Ipv4Mask(24), "255.255.255.0");
  EXPECT_EQ(Ipv4Mask(0), "0.0.0.0");
  EXPECT_EQ(Ipv4Mask(32), "255.255.255.255");
}

TEST(Resolvers, NameServersAndTheLastDomainLine) {
  const ResolverConfig config = ParseResolvConf(
      "# comment\nnameserver 10.0.0.2\ndomain old.example\nsearch a.example b.example\n"
      "nameserver 10.0.0.3 # second\n");
  EXPECT_EQ(config.servers, (std::vector<std::string>{"10.0.0.2", "10.0.0.3"}));
  EXPECT_EQ(config.domain, "a.example");
  EXPECT_EQ(ParseResolvConf("search .\n").domain, std::nullopt);
}

TEST(Leases, ServerDomainAndServersOfEachClientsFormat) {
  const DhcpLease networkd = ParseKeyValueLease(
      "# private\nADDRESS=10.0.0.5\nSERVER_ADDRESS=10.0.0.1\nDNS=10.0.0.1 10.0.0.2\n"
      "DOMAINNAME=lan\n");
  EXPECT_EQ(networkd.server, "10.0.0.1");
  EXPECT_EQ(networkd.domain, "lan");
  EXPECT_EQ(networkd.dnsServers, (std::vector<std::string>{"10.0.0.1", "10.0.0.2"}));
  const DhcpLease dhclient = ParseDhclientLease(
      "lease {\n  option dhcp-server-identifier 10.0.0.1;\n}\n"
      "lease {\n  interface \"eth0\";\n  option dhcp-server-identifier 10.0.0.9;\n"
      "  option domain-name \"corp.example\";\n  option domain-name-servers 10.0.0.9, 10.0.0.8;\n"
      "}\n");
  EXPECT_EQ(dhclient.server, "10.0.0.9") << "the last lease counts";
  EXPECT_EQ(dhclient.domain, "corp.example");
  EXPECT_EQ(dhclient.dnsServers, (std::vector<std::string>{"10.0.0.9", "10.0.0.8"}));
  EXPECT_EQ(ParseDhclientLease("lease {\n option dhcp-server-identifier 1.2.3.4;\n").server,
            std::nullopt)
      << "an unfinished lease is not one";
}

// The report prints nothing for arrays, so the adapters' address lists are
// checked here.
TEST(AdapterConfiguration, ListsAddressesMasksGatewaysAndServers) {
  FixtureProvider laptop = MakeFixtureProvider("laptop");
  const Objects wifi = Query(*laptop.system, "Win32_NetworkAdapterConfiguration");
  ASSERT_EQ(wifi.size(), 2u);
  EXPECT_EQ(
      ValueOf(wifi, "IPAddress"),
      "{\"192.168.1.23\",\"2a01:e0a:1:2:8d3c:5e1f:a2b4:7c90\",\"fe80::a6c3:f0ff:fe85:1d2e\"}");
  EXPECT_EQ(ValueOf(wifi, "IPSubnet"), "{\"255.255.255.0\",\"64\",\"64\"}");
  EXPECT_EQ(ValueOf(wifi, "DefaultIPGateway"), "{\"192.168.1.1\",\"fe80::1\"}");
  EXPECT_EQ(ValueOf(wifi, "DNSServerSearchOrder"), "{\"192.168.1.1\",\"2a01:e0a:1:2::1\"}")
      << "past systemd-resolved's stub";
  FixtureProvider server = MakeFixtureProvider("server");
  const Objects ports = Query(*server.system, "Win32_NetworkAdapterConfiguration");
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ValueOf(ports, "DNSServerSearchOrder", 0), "{\"10.20.0.2\",\"10.20.0.3\"}");
  EXPECT_EQ(ValueOf(ports, "IPAddress", 1), "<null>") << "no link, no address";
}

}  // namespace
}  // namespace hwident::test
