#include "platform/linux/system/program_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hwident {
namespace {

enum class Answer { kNone, kVersion, kUsage };

Answer AnswerFor(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "/usr/bin/hwident");
  const auto info = ProgramInfoFor(static_cast<int>(arguments.size()), arguments.data());
  if (!info) return Answer::kNone;
  if (info->rfind("hwident " HWIDENT_VERSION "\n", 0) == 0) return Answer::kVersion;
  if (info->rfind("Usage: hwident ", 0) == 0) return Answer::kUsage;
  ADD_FAILURE() << "neither version nor usage: " << *info;
  return Answer::kNone;
}

TEST(ProgramInfo, OnlyALoneOptionIsAnOption) {
  const struct {
    std::vector<const char*> arguments;
    Answer answer;
  } cases[] = {
      {{"--version"}, Answer::kVersion},
      {{"--help"}, Answer::kUsage},
      {{"-h"}, Answer::kUsage},
      // No arguments is the default run.
      {{}, Answer::kNone},
      // Beside anything else an option is an entry, as it always was.
      {{"--version", "Win32_BIOS;Version"}, Answer::kNone},
      {{"Win32_BIOS;Version", "--help"}, Answer::kNone},
      {{"-h", "-h"}, Answer::kNone},
      // Spelled any other way it is an entry too.
      {{"--Version"}, Answer::kNone},
      {{"-V"}, Answer::kNone},
      {{"-v"}, Answer::kNone},
      {{"--version "}, Answer::kNone},
      {{" --help"}, Answer::kNone},
      {{"--help=all"}, Answer::kNone},
      {{"-help"}, Answer::kNone},
      {{"--"}, Answer::kNone},
      {{""}, Answer::kNone},
  };
  for (const auto& row : cases) {
    std::string shown;
    for (const char* argument : row.arguments) shown += std::string("[") + argument + "]";
    EXPECT_EQ(AnswerFor(row.arguments), row.answer) << shown;
  }
}

TEST(ProgramInfo, VersionIsTheProjectVersionAlone) {
  const char* arguments[] = {"hwident", "--version"};
  const auto info = ProgramInfoFor(2, arguments);
  ASSERT_TRUE(info);
  // The first line is what scripts and package checks read.
  EXPECT_EQ(info->substr(0, info->find('\n')), "hwident " HWIDENT_VERSION);
}

TEST(ProgramInfo, UsageNamesTheOptionsTheReportAndTheManual) {
  const char* arguments[] = {"hwident", "--help"};
  const auto info = ProgramInfoFor(2, arguments);
  ASSERT_TRUE(info);
  for (const char* needed : {"--version", "--help", "-h", "$Windir/Model.txt", "hwident(1)"}) {
    EXPECT_NE(info->find(needed), std::string::npos) << needed;
  }
}

}  // namespace
}  // namespace hwident
