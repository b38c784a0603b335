// Processes and services: what an ordinary user is refused, processes that
// end mid-query, and the unit-file rules the fixture reports do not reach.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/linux/provider/machine/memory_source_reader.h"
#include "platform/linux/provider/service/class_schema.h"
#include "platform/linux/provider/sources/services/unit_file.h"
#include "provider_test_support.h"

namespace hwident::test {
namespace {

// The processes whose property is not null, by process id.
std::set<std::string> WithValue(const Objects& objects, const std::string& name) {
  std::set<std::string> ids;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    if (ValueOf(objects, name, i) != "<null>") ids.insert(ValueOf(objects, "Handle", i));
  }
  return ids;
}

// Anna (uid 1000) reads her own processes' executables and descriptors, and
// command lines but the one a security policy refuses; root reads all.
TEST(Processes, AnOrdinaryUserIsRefusedWhatTheKernelRefuses) {
  FixtureProvider root = MakeFixtureProvider("desktop", true);
  FixtureProvider user = MakeFixtureProvider("desktop", false);
  const Objects asRoot = Query(*root.system, "Win32_Process");
  const Objects asUser = Query(*user.system, "Win32_Process");
  const std::set<std::string> anna = {"\"1517\"", "\"1650\"", "\"1801\""};
  EXPECT_EQ(WithValue(asUser, "ExecutablePath"), anna);
  // Kernel threads and the zombie hold no descriptors, whoever asks.
  std::set<std::string> counted = anna;
  counted.insert({"\"2\"", "\"3\"", "\"14\"", "\"1700\""});
  EXPECT_EQ(WithValue(asUser, "HandleCount"), counted);
  std::set<std::string> lines = WithValue(asRoot, "CommandLine");
  EXPECT_EQ(lines.erase("\"2230\""), 1u);
  EXPECT_EQ(WithValue(asUser, "CommandLine"), lines);
  EXPECT_EQ(WithValue(asRoot, "ExecutablePath").size(), 12u);
}

// The listing and the stat lines are read one after the other: a process
// whose stat line is gone, or names another process, is no object; one that
// ends after it keeps its object with nulls where its files went.
TEST(Processes, OneThatEndsMidQueryIsLeftOutOrNulled) {
  MemorySourceReader reader;
  const std::string stat = " (sh) S 1 5 5 0 -1 4194560 1 0 0 0 1 2 0 0 20 0 1 0 30 0 0";
  reader.AddFile("/proc/5/stat", "5" + stat);
  reader.AddFile("/proc/5/status", "Name:\tsh\nVmRSS:\t     100 kB\n");
  reader.AddFile("/proc/6/status", "Name:\tgone\n");
  reader.AddFile("/proc/7/stat", "8" + stat);
  reader.AddFile("/proc/9/stat", "9" + stat);
  FixedLiveFacts live;
  Machine machine(reader, live);
  const ClassSchema* schema = FindProviderClass("Win32_Process");
  ASSERT_NE(schema, nullptr);
  const std::vector<std::string> ids = schema->instances(machine);
  EXPECT_EQ(ids, (std::vector<std::string>{"5", "9"}));
  const auto read = [&](const std::string& property, const std::string& id) {
    for (const PropertySchema& p : schema->properties) {
      if (p.name == property) return p.read(machine, id);
    }
    return Fact::Null();
  };
  EXPECT_EQ(read("WorkingSetSize", "5").text, "102400");
  EXPECT_TRUE(read("WorkingSetSize", "9").IsNull());
  EXPECT_TRUE(read("CommandLine", "9").IsNull());
  EXPECT_EQ(read("Name", "9").text, "sh");
}

TEST(UnitFiles, FollowTheServiceManagersRules) {
  struct Row {
    std::string name;
    std::string text;
    std::optional<std::string> description;
    std::vector<std::string> execStart;
  } rows[] = {
      {"later assignments win, comments skipped",
       "[Unit]\nDescription=One\n# Description=Two\n; x\nDescription = Three \n",
       "Three",
       {}},
      {"keys of other sections are not the service's",
       "[Install]\nDescription=No\n[Service]\nDescription=No\nExecStart=/bin/a\n",
       std::nullopt,
       {"/bin/a"}},
      {"an empty ExecStart clears the list",
       "[Service]\nExecStart=/bin/a\nExecStart=/bin/b\nExecStart=\nExecStart=/bin/c\n",
       std::nullopt,
       {"/bin/c"}},
      {"a continued line, a comment inside it skipped",
       "[Service]\nExecStart=/bin/a \\\n# note\n  -x \\\n  -y\n",
       std::nullopt,
       {"/bin/a  -x  -y"}},
      {"a continuation on the last line ends there", "[Unit]\nDescription=a \\", "a", {}},
      {"a logical line over 1 MiB is skipped, the next kept",
       "[Unit]\nDescription=" + std::string(kMaxUnitLineBytes, 'x') + "\nDescription=kept\n",
       "kept",
       {}},
      {"a line with no equals sign or section end is nothing",
       "[Unit\nDescription=a\n[Unit]\nno equals\nDescription=b\n",
       "b",
       {}},
  };
  for (const Row& row : rows) {
    ServiceSettings settings;
    ApplyUnitFile(row.text, settings);
    EXPECT_EQ(settings.description, row.description) << row.name;
    EXPECT_EQ(settings.execStart, row.execStart) << row.name;
  }
}

TEST(UnitFiles, CommandsSpecifiersAndSlices) {
  EXPECT_EQ(ExecCommand("-/sbin/agetty -o x"), "/sbin/agetty -o x");
  EXPECT_EQ(ExecCommand("!!+/usr/bin/a"), "/usr/bin/a");
  EXPECT_EQ(ExecCommand("@/usr/bin/dbus-daemon dbus-daemon --system"),
            "/usr/bin/dbus-daemon --system");
  EXPECT_EQ(ExecCommand("@/usr/bin/a"), "/usr/bin/a");
  EXPECT_EQ(ExpandSpecifiers("%p %i %I %n %N %f %% %z %", "serial-getty@dev-ttyS0.service"),
            "serial-getty dev-ttyS0 dev/ttyS0 serial-getty@dev-ttyS0.service "
            "serial-getty@dev-ttyS0 /dev/ttyS0 % %z %");
  EXPECT_EQ(ExpandSpecifiers("%I", "a@x\\x2dy.service"), "x-y");
  EXPECT_EQ(SlicePath("system.slice"), "system.slice");
  EXPECT_EQ(SlicePath("system-getty.slice"), "system.slice/system-getty.slice");
  EXPECT_EQ(SlicePath("a-b-c.slice"), "a.slice/a-b.slice/a-b-c.slice");
  EXPECT_EQ(SlicePath("-.slice"), "");
  for (const char* bad : {"system", "a--b.slice", "-a.slice", "a-.slice", "../x.slice", ".slice"}) {
    EXPECT_EQ(SlicePath(bad), std::nullopt) << bad;
  }
}

}  // namespace
}  // namespace hwident::test
