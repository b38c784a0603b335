// Input capability bitmaps, the module lists and the volume path: the rules
// their parsers keep. The fixture reports pin the classes.
#include <gtest/gtest.h>

#include "platform/linux/provider/machine/memory_source_reader.h"
#include "platform/linux/provider/sources/input/capability_bitmap.h"
#include "platform/linux/provider/sources/input/input_devices.h"
#include "platform/linux/provider/sources/storage/file_system_volumes.h"
#include "platform/linux/provider/sources/system/kernel_modules.h"
#include "provider_test_support.h"

namespace hwident::test {
namespace {

// Set bits of a parsed bitmap, or {-1} when it was refused.
std::vector<int> Bits(const std::string& text, unsigned wordBits) {
  const auto bits = ParseCapabilityBitmap(text, wordBits);
  if (!bits) return {-1};
  std::vector<int> set;
  for (std::size_t bit = 0; bit < bits->size(); ++bit) {
    if ((*bits)[bit]) set.push_back(static_cast<int>(bit));
  }
  return set;
}

TEST(CapabilityBitmap, WordsMostSignificantFirstAtTheKernelsWidth) {
  struct Row {
    const char* text;
    unsigned width;
    std::vector<int> bits;
  } rows[] = {
      {"0\n", 64, {}},
      {"", 64, {}},
      {"3", 64, {0, 1}},
      {"1 0\n", 64, {64}},
      {"1 0", 32, {32}},
      {"10000 0 0 0 0", 64, {272}},  // BTN_LEFT on a 64-bit kernel
      {"10000 0 0 0 0 0 0 0 0", 32, {272}},
      {"8000000000000000", 64, {63}},
      {"80000000", 32, {31}},
      {"ABCDEF", 64, {0, 1, 2, 3, 5, 6, 7, 8, 10, 11, 14, 15, 16, 17, 19, 21, 23}},
      // Refused: wider than a long, not hex, blanks out of place, past the
      // most bits any bitmap has, a width no kernel has.
      {"100000000", 32, {-1}},
      {"10000000000000000", 64, {-1}},
      {"0x3", 64, {-1}},
      {"3g", 64, {-1}},
      {"1  0", 64, {-1}},
      {" 1", 64, {-1}},
      {"1 ", 64, {-1}},
      {"-1", 64, {-1}},
      {"1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0", 64, {-1}},
      {"3", 16, {-1}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Bits(row.text, row.width), row.bits) << row.text << " at " << row.width;
  }
  EXPECT_EQ(Bits("1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0", 64), std::vector<int>{960});
}

TEST(CapabilityBitmap, LongWidthFollowsTheArchitecture) {
  for (const char* wide : {"x86_64", "aarch64", "ppc64le", "s390x", "riscv64", "alpha"}) {
    EXPECT_EQ(KernelLongBits(wide), 64u) << wide;
  }
  for (const char* narrow : {"i686", "armv7l", "armv6l", "mips", ""}) {
    EXPECT_EQ(KernelLongBits(narrow), 32u) << narrow;
  }
}

TEST(KeyboardKeys, LettersMakeAKeyboardAndFunctionKeysCount) {
  CapabilityBits keys;
  for (int code : {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 30, 31, 32,
                   33, 34, 35, 36, 37, 38, 44, 45, 46, 47, 48, 49, 50}) {
    keys.set(code);
  }
  EXPECT_TRUE(HasLetterKeys(keys));
  EXPECT_EQ(CountFunctionKeys(keys), 0);
  for (int code = 59; code <= 68; ++code) keys.set(code);
  keys.set(87).set(88);
  EXPECT_EQ(CountFunctionKeys(keys), 12);
  for (int code = 183; code <= 194; ++code) keys.set(code);
  EXPECT_EQ(CountFunctionKeys(keys), 24);
  keys.reset(50);  // KEY_M gone: a key pad, not a keyboard
  EXPECT_FALSE(HasLetterKeys(keys));
}

TEST(LoadedModules, LinesOfProcModules) {
  const auto modules = ParseProcModules(
      "snd_hda_intel 61440 4 - Live 0xffffffffc0a5c000\n"
      "mac_hid 12288 0 [permanent], Live 0x0000000000000000\n"
      "iwlmvm 880640 0 - Live 0x0000000000000000\n"
      "xfs 2019328 3 - Loading 0x0000000000000000\n"
      "nolock 4096 - - Live 0x0000000000000000 (OE)\n"
      "bad/name 4096 0 - Live 0x0\n"
      "short 4096 0 -\n"
      "odd 4096 0 - Sleeping 0x0\n"
      "\n"
      "last 4096 0 - Unloading 0x0");
  ASSERT_EQ(modules.size(), 6u);
  const std::pair<const char*, bool> expected[] = {{"snd_hda_intel", false}, {"mac_hid", false},
                                                   {"iwlmvm", true},         {"xfs", false},
                                                   {"nolock", false},        {"last", true}};
  for (std::size_t i = 0; i < modules.size(); ++i) {
    EXPECT_EQ(modules[i].name, expected[i].first);
    EXPECT_EQ(modules[i].removable, expected[i].second) << modules[i].name;
  }
  EXPECT_EQ(modules[3].state, "Loading");
  EXPECT_EQ(modules[5].state, "Unloading");
  EXPECT_TRUE(ParseProcModules(std::string(56, 'a') + " 1 0 - Live 0x0").empty());
  EXPECT_EQ(ParseProcModules(std::string(55, 'a') + " 1 0 - Live 0x0").size(), 1u);
}

TEST(ModuleIndex, FileNamesBecomeModuleNames) {
  struct Row {
    const char* path;
    std::optional<std::string> name;
  } rows[] = {
      {"kernel/drivers/hid/hid-generic.ko", "hid_generic"},
      {"kernel/drivers/hid/hid-generic.ko.xz", "hid_generic"},
      {"kernel/drivers/nvme/host/nvme-core.ko.zst", "nvme_core"},
      {"/lib/modules/2.6.26/kernel/fs/ext3/ext3.ko.gz", "ext3"},
      {"updates/dkms/vboxdrv.ko", "vboxdrv"},
      {"kernel/drivers/x/readme.txt", std::nullopt},
      {".ko", std::nullopt},
      {"kernel/a b.ko", std::nullopt},
      {"kernel/x.ko.bz2", std::nullopt},
  };
  for (const Row& row : rows) EXPECT_EQ(ModuleNameOfFile(row.path), row.name) << row.path;
  const auto paths = ParseModulesDep(
      "kernel/drivers/hid/hid-generic.ko.xz: kernel/drivers/hid/hid.ko.xz\n"
      "kernel/drivers/hid/hid.ko.xz:\n"
      "updates/hid-generic.ko: \n"
      "no colon here\n"
      ": kernel/empty.ko\n",
      {"hid_generic", "usbhid"});
  ASSERT_EQ(paths.size(), 1u);
  // The first line of a name counts, as modprobe takes it.
  EXPECT_EQ(paths.at("hid_generic"), "kernel/drivers/hid/hid-generic.ko.xz");
}

TEST(VolumePath, OnlyFromA128BitUuid) {
  EXPECT_EQ(VolumeGuidPath("3F9D2C1E-8B7A-4C6D-9E0F-1A2B3C4D5E6F"),
            "\\\\?\\Volume{3f9d2c1e-8b7a-4c6d-9e0f-1a2b3c4d5e6f}\\");
  for (const char* id :
       {"5A1C-9F3E", "0A3C5F2B3C5F1A27", "", "3f9d2c1e8b7a4c6d9e0f1a2b3c4d5e6f",
        "3f9d2c1e-8b7a-4c6d-9e0f-1a2b3c4d5e6g", "3f9d2c1e-8b7a-4c6d-9e0f_1a2b3c4d5e6f",
        "3f9d2c1e-8b7a-4c6d-9e0f-1a2b3c4d5e6f0"}) {
    EXPECT_EQ(VolumeGuidPath(id), std::nullopt) << id;
  }
}

// Subvolumes of one btrfs (each mount with its own anonymous number) and a
// second mount of an encrypted one are one volume each, named by their
// first mount; an unmounted file system beside them is one too.
TEST(FileSystemVolumes, OnePerFileSystemWhateverItsMounts) {
  MemorySourceReader reader;
  reader.AddFile("/proc/self/mountinfo",
                 "21 1 0:31 / / rw - btrfs /dev/nvme0n1p2 rw\n"
                 "22 21 0:32 /home /home rw - btrfs /dev/nvme0n1p2 rw\n"
                 "23 21 0:33 / /data rw - btrfs /dev/mapper/luks-1 rw\n"
                 "24 21 0:34 /snap /data/snap rw - btrfs /dev/mapper/luks-1 rw\n"
                 "25 21 259:1 / /boot/efi rw - vfat /dev/nvme0n1p1 rw\n");
  reader.AddFile("/sys/class/block/nvme0n1p2/dev", "259:2\n");
  reader.AddFile("/sys/block/dm-0/dm/name", "luks-1\n");
  reader.AddFile("/sys/block/dm-0/dev", "253:0\n");
  for (const char* numbers : {"259:1", "259:2", "259:3", "253:0"}) {
    reader.AddLink(std::string("/sys/dev/block/") + numbers, "/sys/devices/x");
  }
  reader.AddFile("/run/udev/data/b259:1", "E:ID_FS_TYPE=vfat\nE:ID_FS_USAGE=filesystem\n");
  reader.AddFile("/run/udev/data/b259:2", "E:ID_FS_TYPE=btrfs\nE:ID_FS_USAGE=filesystem\n");
  reader.AddFile("/run/udev/data/b259:3", "E:ID_FS_TYPE=ext4\n");
  reader.AddFile("/run/udev/data/b253:0", "E:ID_FS_TYPE=btrfs\nE:ID_FS_USAGE=filesystem\n");
  const FixedLiveFacts live;
  Machine machine(reader, live);
  std::vector<std::string> seen;
  for (const FileSystemVolume& volume : FileSystemVolumes(machine)) {
    seen.push_back(volume.deviceNumbers + " " +
                   (volume.mounted ? volume.mounted->mount.mountPoint : "-"));
  }
  EXPECT_EQ(seen,
            (std::vector<std::string>{"253:0 /data", "259:1 /boot/efi", "259:2 /", "259:3 -"}));
}

}  // namespace
}  // namespace hwident::test
