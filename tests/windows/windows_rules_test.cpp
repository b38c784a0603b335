#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "platform/windows/file_time.h"
#include "platform/windows/message_route.h"
#include "platform/windows/text_mode_line.h"

namespace hwident {
namespace {

TEST(ChooseMessageRoute, OnlyAStationKnownInvisibleAvoidsTheBox) {
  struct Row {
    bool read;
    std::uint32_t flags;
    MessageRoute expected;
  };
  const Row rows[] = {
      {true, kStationVisible, MessageRoute::kMessageBox},
      {true, kStationVisible | 0x100, MessageRoute::kMessageBox},
      {true, 0, MessageRoute::kUnattendedLog},
      {true, 0xfffe, MessageRoute::kUnattendedLog},
      // Nothing known about the station: the box, as on any desktop.
      {false, 0, MessageRoute::kMessageBox},
      {false, kStationVisible, MessageRoute::kMessageBox},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ChooseMessageRoute(row.read, row.flags), row.expected)
        << "read " << row.read << " flags " << row.flags;
  }
}

// 1970-01-01 in FILETIME ticks.
constexpr std::uint64_t kEpochTicks = 116'444'736'000'000'000ull;

TEST(FileTime, TicksBecomeWholeSecondsSince1970) {
  struct Row {
    std::uint64_t ticks;
    std::int64_t seconds;
  };
  const Row rows[] = {
      {0, 0},  // never recorded
      {kEpochTicks + 10'000'000, 1},
      {kEpochTicks + 19'999'999, 1},  // the fraction is dropped
      {kEpochTicks + 17'000'000'000'000'000ull, 1'700'000'000},
      {10'000'000, 1 - 11'644'473'600},  // one second after 1601
  };
  for (const Row& row : rows) {
    EXPECT_EQ(SecondsFromFileTicks(row.ticks), row.seconds) << row.ticks;
  }
}

TEST(FileTime, SecondsBecomeTicksWhereRepresentable) {
  struct Row {
    std::int64_t seconds;
    bool representable;
    std::uint64_t ticks;
  };
  const Row rows[] = {
      {1, true, kEpochTicks + 10'000'000},
      {1'700'000'000, true, kEpochTicks + 17'000'000'000'000'000ull},
      {-11'644'473'600, true, 0},
      {-11'644'473'601, false, 0},  // before 1601
      {std::numeric_limits<std::int64_t>::max(), false, 0},
      {std::numeric_limits<std::int64_t>::min(), false, 0},
  };
  for (const Row& row : rows) {
    std::uint64_t ticks = 0;
    EXPECT_EQ(FileTicksFromSeconds(row.seconds, &ticks), row.representable) << row.seconds;
    if (row.representable) {
      EXPECT_EQ(ticks, row.ticks) << row.seconds;
    }
  }
}

TEST(AppendTextModeLine, EveryLineFeedBecomesCrLf) {
  struct Row {
    std::string line;
    std::string written;
  };
  const Row rows[] = {
      {"", "\r\n"},
      {"Model = \"x\"", "Model = \"x\"\r\n"},
      {"a\nb", "a\r\nb\r\n"},
      {"a\rb", "a\rb\r\n"},
      {"a\r\nb", "a\r\r\nb\r\n"},
      {"\n\n", "\r\n\r\n\r\n"},
      {std::string("a\0b", 3), std::string("a\0b\r\n", 5)},
  };
  for (const Row& row : rows) {
    std::string out = "before|";
    AppendTextModeLine(&out, row.line);
    EXPECT_EQ(out, "before|" + row.written);
  }
}

}  // namespace
}  // namespace hwident
