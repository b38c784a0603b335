#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "collect/normalize_cdrom_device_id.h"

// Text without the prefix stays as it is; a rewritten text is never longer,
// and holds neither underscores nor backslashes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string original(reinterpret_cast<const char*>(data), size);
  std::string text = original;
  hwident::NormalizeCdromDeviceId(text);
  if (original.find("\"IDE\\CDROM") == std::string::npos) {
    if (text != original) std::abort();
    return 0;
  }
  if (text.size() > original.size() || text.find('_') != std::string::npos ||
      text.find('\\') != std::string::npos) {
    std::abort();
  }
  return 0;
}
