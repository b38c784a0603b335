#include "platform/linux/system/environment_expansion.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>

#include "platform/linux/system/linux_file_services.h"
#include "temp_directory.h"

namespace hwident {
namespace {

TEST(ExpandReferences, FollowsTheWindowsRules) {
  const std::map<std::string, std::string> variables{{"A", "x"}};
  const VariableLookup lookup = [&](const std::string& name) -> std::optional<std::string> {
    const auto found = variables.find(name);
    if (found == variables.end()) return std::nullopt;
    return found->second;
  };
  const struct {
    const char* source;
    const char* expanded;
  } cases[] = {
      {"a%A%b%A%", "axbx"},  // set: replaced by its value
      {"%U%", "%U%"},        // not set: stays as written
      {"%U%%A%", "%U%x"},    // and scanning goes on after it
      {"%a%", "%a%"},        // names are case-sensitive here
      {"100%", "100%"},      // a percent sign without a partner stays
      {"%A", "%A"},
  };
  for (const auto& row : cases) {
    EXPECT_EQ(ExpandReferences(row.source, lookup), row.expanded) << row.source;
  }
}

// The environment as the Linux expansion reads it: an empty value counts as
// not set, and an unset Windir stands for the current directory. The size
// needed always comes back; a buffer too small for it is left alone.
TEST(LinuxFileServices, ExpandsFromTheEnvironment) {
  const testing::TempDirectory directory;
  const std::filesystem::path previousDirectory = std::filesystem::current_path();
  const char* const windir = getenv("Windir");
  const std::optional<std::string> previousWindir =
      windir != nullptr ? std::optional<std::string>(windir) : std::nullopt;
  std::filesystem::current_path(directory.path());
  const struct {
    const char* name;
    const char* value;  // null: not set
    std::string expanded;
  } cases[] = {
      {"HWIDENT_TEST", "value", "value"},
      {"HWIDENT_TEST", "", "%HWIDENT_TEST%"},
      {"HWIDENT_TEST", nullptr, "%HWIDENT_TEST%"},
      {"Windir", "/elsewhere", "/elsewhere"},
      {"Windir", "", directory.path()},
      {"Windir", nullptr, directory.path()},
  };
  LinuxFileServices files;
  for (const auto& row : cases) {
    row.value != nullptr ? setenv(row.name, row.value, 1) : unsetenv(row.name);
    const std::string source = "%" + std::string(row.name) + "%";
    std::string buffer(row.expanded.size(), 'k');  // one byte short
    EXPECT_EQ(files.ExpandEnvironmentStrings(source.c_str(), buffer.data(), buffer.size()),
              buffer.size() + 1);
    EXPECT_EQ(buffer, std::string(buffer.size(), 'k')) << source;
    buffer.resize(row.expanded.size() + 1);  // exactly the size needed
    EXPECT_EQ(files.ExpandEnvironmentStrings(source.c_str(), buffer.data(), buffer.size()),
              buffer.size());
    EXPECT_EQ(buffer, row.expanded + '\0') << (row.value != nullptr ? row.value : "(not set)");
  }
  std::filesystem::current_path(previousDirectory);
  previousWindir ? setenv("Windir", previousWindir->c_str(), 1) : unsetenv("Windir");
}

}  // namespace
}  // namespace hwident
