#include "collect/normalize_cdrom_device_id.h"

#include <gtest/gtest.h>

#include <vector>

namespace hwident {
namespace {

struct DeviceIdCase {
  const char* name;
  NarrowText text;
  NarrowText rewritten;
};

TEST(NormalizeCdromDeviceIdTest, RewritesFieldsAndDropsThoseWithBackslash) {
  const std::vector<DeviceIdCase> cases = {
      {"fields, filler underscores, instance dropped",
       "\"IDE\\CDROMACME_DRIVE-1_____2.0____\\5&1A2B3C&0&1.0.0\"", "ACME DRIVE-1 2.0"},
      {"last field keeps the closing quote", "\"IDE\\CDROMACME_DRIVE\"", "ACME DRIVE\""},
      {"field running into the backslash dropped", "\"IDE\\CDROMACME_DRIVE\\5&1\"", "ACME"},
      {"piece after a later underscore stays", "\"IDE\\CDROMACME\\5&1_X\"", " X\""},
      {"first field with backslash leaves a leading space", "\"IDE\\CDROMAC\\ME_DRIVE_1.0\"",
       " DRIVE 1.0\""},
      {"every field with backslash", "\"IDE\\CDROMA\\1_B\\2_\\3\"", ""},
      {"only the prefix", "\"IDE\\CDROM", ""},
      {"only underscores after the prefix", "\"IDE\\CDROM___", ""},
      {"prefix found later keeps part of itself", "x\"IDE\\CDROMACME_DRIVE\\1\"", "MACME"},
      {"prefix found three bytes in", "ab \"IDE\\CDROMX_Y\"", "ROMX Y\""},
      {"high bytes are kept", "\"IDE\\CDROM\xC3\xA9_\xFF\"", "\xC3\xA9 \xFF\""},
  };
  for (const DeviceIdCase& row : cases) {
    NarrowText text = row.text;
    NormalizeCdromDeviceId(text);
    EXPECT_EQ(text, row.rewritten) << row.name;
  }
}

TEST(NormalizeCdromDeviceIdTest, LeavesTextWithoutThePrefixUnchanged) {
  const std::vector<NarrowText> unchanged = {
      "",
      "\"ide\\cdromACME_DRIVE\\1\"",
      "\"IDE\\CDROm_ACME_DRIVE\"",
      "IDE\\CDROMACME_DRIVE",
      "\"SCSI\\CDROM&VEN_ACME&PROD_X\\1\"",
      "\"IDE\\DISKACME_X\"",
      "\"IDE\\CDRO",
  };
  for (const NarrowText& original : unchanged) {
    NarrowText text = original;
    NormalizeCdromDeviceId(text);
    EXPECT_EQ(text, original);
  }
}

}  // namespace
}  // namespace hwident
