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

TEST(NormalizeCdromDeviceIdTest, RewritesFieldsAfterTheExactPrefixDroppingThoseWithBackslash) {
  const std::vector<DeviceIdCase> cases = {
      {"fields, filler underscores, instance dropped",
       "\"IDE\\CDROMACME_DRIVE-1_____2.0____\\5&1A2B3C&0&1.0.0\"", "ACME DRIVE-1 2.0"},
      {"last field keeps the closing quote", "\"IDE\\CDROMACME_DRIVE\"", "ACME DRIVE\""},
      {"field running into the backslash dropped", "\"IDE\\CDROMACME_DRIVE\\5&1\"", "ACME"},
      {"first field with backslash leaves a leading space", "\"IDE\\CDROMAC\\ME_DRIVE_1.0\"",
       " DRIVE 1.0\""},
      {"every field with backslash", "\"IDE\\CDROMA\\1_B\\2_\\3\"", ""},
      {"only the prefix", "\"IDE\\CDROM", ""},
      {"prefix found later keeps part of itself", "x\"IDE\\CDROMACME_DRIVE\\1\"", "MACME"},
      {"prefix case matters", "\"ide\\cdromACME_DRIVE\\1\"", "\"ide\\cdromACME_DRIVE\\1\""},
      {"no opening quote", "IDE\\CDROMACME_DRIVE", "IDE\\CDROMACME_DRIVE"},
      {"prefix cut short", "\"IDE\\CDRO", "\"IDE\\CDRO"},
  };
  for (const DeviceIdCase& row : cases) {
    NarrowText text = row.text;
    NormalizeCdromDeviceId(text);
    EXPECT_EQ(text, row.rewritten) << row.name;
  }
}

}  // namespace
}  // namespace hwident
