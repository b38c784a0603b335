#include "platform/linux/system/environment_expansion.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>

#include "platform/linux/system/linux_file_services.h"
#include "temp_directory.h"

namespace hwident {
namespace {

TEST(ExpandReferences, FollowsTheWindowsRules) {
  const std::map<std::string, std::string> variables{{"A", "x"}, {"Windir", "/srv/r"}};
  const VariableLookup lookup = [&](const std::string& name) -> std::optional<std::string> {
    const auto found = variables.find(name);
    if (found == variables.end()) return std::nullopt;
    return found->second;
  };
  const struct {
    const char* source;
    const char* expanded;
  } cases[] = {
      {"", ""},
      {"%Windir%", "/srv/r"},
      {"a%A%b", "axb"},
      {"%A%%A%", "xx"},
      {"%U%", "%U%"},            // not set: stays as written
      {"%U%%A%", "%U%x"},        // and scanning goes on after it
      {"%windir%", "%windir%"},  // names are case-sensitive here
      {"100%", "100%"},
      {"%A", "%A"},
      {"%%", "%%"},
      {"no references", "no references"},
  };
  for (const auto& row : cases) {
    EXPECT_EQ(ExpandReferences(row.source, lookup), row.expanded) << row.source;
  }
}

// Sets or unsets a variable for one test and puts the old value back.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedVariable() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(LookupEnvironmentVariable, ReadsTheEnvironment) {
  const ScopedVariable set("HWIDENT_TEST_SET", "value");
  const ScopedVariable empty("HWIDENT_TEST_EMPTY", "");
  const ScopedVariable unset("HWIDENT_TEST_UNSET", nullptr);
  EXPECT_EQ(LookupEnvironmentVariable("HWIDENT_TEST_SET"), "value");
  EXPECT_EQ(LookupEnvironmentVariable("HWIDENT_TEST_EMPTY"), std::nullopt);
  EXPECT_EQ(LookupEnvironmentVariable("HWIDENT_TEST_UNSET"), std::nullopt);
}

TEST(LookupEnvironmentVariable, UnsetOrEmptyWindirIsTheCurrentDirectory) {
  const testing::TempDirectory directory;
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(directory.path());
  for (const char* value : {static_cast<const char*>(nullptr), ""}) {
    const ScopedVariable windir("Windir", value);
    EXPECT_EQ(LookupEnvironmentVariable("Windir"), directory.path());
  }
  const ScopedVariable windir("Windir", "/elsewhere");
  EXPECT_EQ(LookupEnvironmentVariable("Windir"), "/elsewhere");
  std::filesystem::current_path(previous);
}

TEST(LinuxFileServices, ExpansionReportsTheSizeItNeeds) {
  const ScopedVariable windir("Windir", "/tmp/report");
  LinuxFileServices files;
  char fits[13];
  EXPECT_EQ(files.ExpandEnvironmentStrings("%Windir%", fits, sizeof fits), 12u);
  EXPECT_STREQ(fits, "/tmp/report");

  // Too small: the size needed comes back and the buffer is left alone.
  char tooSmall[11];
  std::memset(tooSmall, 'k', sizeof tooSmall);
  EXPECT_EQ(files.ExpandEnvironmentStrings("%Windir%", tooSmall, sizeof tooSmall), 12u);
  EXPECT_EQ(std::string(tooSmall, sizeof tooSmall), std::string(sizeof tooSmall, 'k'));
}

}  // namespace
}  // namespace hwident
