// The account files at their bounds and in the shapes the fixtures do not
// hold: oversized files, lines one field short or long, ids at the edge.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/memory_source_reader.h"
#include "platform/linux/provider/sources/accounts/account_files.h"
#include "platform/linux/provider/sources/system/swap_areas.h"
#include "provider_test_support.h"

namespace hwident::test {
namespace {

std::string Lines(std::size_t count, std::size_t width) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    std::string name = "u" + std::to_string(i);
    name.resize(std::max(name.size(), width), 'x');
    text += name + ":x:" + std::to_string(i % 60000) + ":100::/home:/bin/sh\n";
  }
  return text;
}

Objects Accounts(const std::string& passwd) {
  auto machine = std::make_shared<MemorySourceReader>();
  machine->AddFile("/etc/passwd", passwd);
  machine->AddFile("/proc/sys/kernel/hostname", "host");
  NativeObjectSystem system(std::move(machine), std::make_shared<FixedLiveFacts>());
  return Query(system, "Win32_UserAccount");
}

// A 10 MB passwd is past the reader's bound and gives no accounts; one just
// under it gives at most kMaxAccountEntries, and a single 1 MB name is one
// account like any other.
TEST(AccountFiles, OversizedFilesGiveABoundedAnswer) {
  const std::string tenMegabytes = Lines(300000, 10);
  ASSERT_GE(tenMegabytes.size(), 10'000'000u);
  EXPECT_TRUE(Accounts(tenMegabytes).empty());
  const std::string full = Lines(kMaxAccountEntries + 1000, 8);
  ASSERT_LE(full.size(), kMaxSourceFileBytes);
  EXPECT_EQ(ParsePasswd(full).size(), kMaxAccountEntries);
  const Objects wide = Accounts(Lines(1, 1024 * 1024) + Lines(2, 1));
  ASSERT_EQ(wide.size(), 3u);
  EXPECT_EQ(ValueOf(wide, "Name", 0).size(), 1024u * 1024u + 2u);  // quoted
  EXPECT_EQ(ValueOf(wide, "SID", 2), "\"S-1-22-1-1\"");
}

TEST(AccountFiles, LinesOfTheWrongShapeAreSkipped) {
  struct Row {
    std::string line;
    bool kept;
  };
  const std::vector<Row> rows = {
      {"a:x:0:0:root:/root:/bin/sh", true},
      {"a:x:4294967294:0::/:/bin/sh", true},
      {"a:x:4294967295:0::/:/bin/sh", false},  // (uid_t) -1, "no id"
      {"a:x:-1:0::/:/bin/sh", false},
      {"a:x:+1:0::/:/bin/sh", false},
      {"a:x: 1:0::/:/bin/sh", false},
      {"a:x::0::/:/bin/sh", false},
      {"a:x:1:0::/", false},                // six fields
      {"a:x:1:0::/:/bin/sh:extra", false},  // eight
      {":x:1:0::/:/bin/sh", false},
      {"+a:x:1:0::/:/bin/sh", false},
      {"-a:x:1:0::/:/bin/sh", false},
      {"a:x:1:0::/:/bin/sh\r", true},  // the shell keeps the CR; the rest is whole
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ParsePasswd(row.line).size(), row.kept ? 1u : 0u) << row.line;
  }
  // The first line of a name wins, as the C library's lookup finds it.
  const auto twice = ParsePasswd("a:x:1:1:First:/:/bin/sh\na:x:2:2:Second:/:/bin/sh\n");
  ASSERT_EQ(twice.size(), 1u);
  EXPECT_EQ(twice[0].uid, 1u);
}

TEST(AccountFiles, ShadowDayFieldsAndGroupMembers) {
  const auto shadow = ParseShadow("a:!h:19000:x:90::::\nb:*:1\nc:h:1:2:3:4:5:6:7:8:9\n");
  ASSERT_EQ(shadow.size(), 1u);  // b has too few fields, c too many
  EXPECT_FALSE(shadow[0].minimumDays.has_value());
  EXPECT_EQ(shadow[0].maximumDays, 90);
  EXPECT_FALSE(shadow[0].expireDay.has_value());
  const auto groups = ParseGroup("g:x:5:a,,b,\nh:x:6\n");
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(groups[0].members, (std::vector<std::string>{"a", "b"}));
}

TEST(SwapAreas, TheTableIsBoundedAndItsNamesDecoded) {
  std::string table = "Filename Type Size Used Priority\n";
  for (int i = 0; i < 100; ++i) table += "/dev/sd" + std::to_string(i) + " partition 2048 0 -2\n";
  EXPECT_EQ(ParseSwaps(table).size(), kMaxSwapAreas);
  const auto areas =
      ParseSwaps("/swap\\040file file 4096 1024 -2\n/bad partition 10 20 -3\n/x file 1 0\n");
  ASSERT_EQ(areas.size(), 1u);  // use above size, four fields
  EXPECT_EQ(areas[0].name, "/swap file");
}

}  // namespace
}  // namespace hwident::test
