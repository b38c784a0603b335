// The input devices' capability bitmaps, straight and through the two
// classes that read them. The first byte picks: even, a bitmap alone
// (its second bit the long's width); odd, an i8042 device whose files are
// the rest split at NULs (ev, key, rel, abs, properties, bustype,
// firmware_id), read by Win32_Keyboard and Win32_PointingDevice.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_machine_support.h"
#include "platform/heap/heap_values.h"
#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/service/class_schema.h"
#include "platform/linux/provider/sources/input/capability_bitmap.h"
#include "platform/linux/provider/sources/input/input_devices.h"
#include "platform/linux/provider/values/cim_value.h"

namespace {

void Check(bool rule) {
  if (!rule) std::abort();
}

// What the kernel would print for the bits: a bitmap the parser accepts
// reads back the same from its own printing.
std::string Print(const hwident::CapabilityBits& bits, unsigned wordBits) {
  std::string text;
  bool started = false;
  for (std::size_t word = hwident::kMaxCapabilityBits / wordBits; word-- > 0;) {
    std::uint64_t value = 0;
    for (unsigned bit = 0; bit < wordBits; ++bit) {
      if (bits[word * wordBits + bit]) value |= std::uint64_t{1} << bit;
    }
    if (value == 0 && !started && word != 0) continue;
    char digits[17];
    std::snprintf(digits, sizeof digits, "%llx", static_cast<unsigned long long>(value));
    text += (started ? " " : "") + std::string(digits);
    started = true;
  }
  return text;
}

void Bitmap(std::string_view text, unsigned wordBits) {
  const auto bits = hwident::ParseCapabilityBitmap(text, wordBits);
  if (!bits) return;
  const auto again = hwident::ParseCapabilityBitmap(Print(*bits, wordBits), wordBits);
  Check(again && *again == *bits);
  const int keys = hwident::CountFunctionKeys(*bits);
  Check(keys >= 0 && keys <= 24);
  hwident::HasLetterKeys(*bits);
}

void Classes(std::string_view files, std::uint8_t pick) {
  hwident::MemorySourceReader reader;
  const std::string port = "/sys/devices/platform/i8042/serio0";
  const std::string input = port + "/input/input0";
  reader.AddLink("/sys/class/input/input0", input);
  reader.AddLink(input + "/device", port);
  const std::string paths[] = {input + "/capabilities/ev",  input + "/capabilities/key",
                               input + "/capabilities/rel", input + "/capabilities/abs",
                               input + "/properties",       input + "/id/bustype",
                               port + "/firmware_id"};
  for (const std::string& path : paths) {
    const std::size_t end = std::min(files.find('\0'), files.size());
    reader.AddFile(path, std::string(files.substr(0, end)));
    files.remove_prefix(std::min(end + 1, files.size()));
  }
  const hwident::fuzz::PickedLiveFacts live(pick);
  hwident::Machine machine(reader, live);
  for (const char* name : {"Win32_Keyboard", "Win32_PointingDevice"}) {
    const hwident::ClassSchema* schema = hwident::FindProviderClass(name);
    Check(schema != nullptr);
    for (const std::string& instance : schema->instances(machine)) {
      Check(instance == "input0");
      for (const hwident::PropertySchema& property : schema->properties) {
        hwident::Variant value =
            hwident::CimToVariant(property.type, property.read(machine, instance));
        hwident::HeapClearValue(&value);
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  if ((data[0] & 1) == 0) {
    Bitmap(rest, (data[0] & 2) != 0 ? 32 : 64);
  } else {
    Classes(rest, static_cast<std::uint8_t>(data[0] >> 1));
  }
  return 0;
}
