#include "platform/linux/provider/sources/firmware/system_uuid.h"

#include <algorithm>
#include <array>

#include "platform/linux/provider/sources/firmware/machine_smbios.h"
#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {
namespace {

constexpr std::uint8_t kSystemInformation = 1;
constexpr std::size_t kUuidOffset = 0x08;
constexpr std::size_t kUuidBytes = 16;
// Where each byte of the UUID goes in the text: the first three fields are
// little-endian, the last two in table order.
constexpr std::array<std::size_t, kUuidBytes> kWindowsOrder = {3, 2, 1,  0,  5,  4,  7,  6,
                                                               8, 9, 10, 11, 12, 13, 14, 15};
// The dashes of the 8-4-4-4-12 form come before these bytes.
constexpr std::array<std::size_t, 4> kDashBefore = {4, 6, 8, 10};

std::string Hex(unsigned char byte) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

std::string Format(const std::array<unsigned char, kUuidBytes>& bytes) {
  std::string text;
  for (std::size_t i = 0; i < kUuidBytes; ++i) {
    if (std::find(kDashBefore.begin(), kDashBefore.end(), i) != kDashBefore.end()) text += '-';
    text += Hex(bytes[kWindowsOrder[i]]);
  }
  return text;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool KernelPrintsUuidInTableOrder(const SmbiosEntryPoint& entry) {
  int minor = entry.minor;
  if (entry.major == 2 && (minor == 31 || minor == 33)) minor = 3;
  if (entry.major == 2 && minor == 51) minor = 6;
  return entry.major < 2 || (entry.major == 2 && minor < 6);
}

std::optional<std::string> TableUuidBytes(const SmbiosTable& table) {
  const SmbiosStructure* system = table.First(kSystemInformation, kUuidOffset + kUuidBytes);
  if (system == nullptr) return std::nullopt;
  return system->formatted.substr(kUuidOffset, kUuidBytes);
}

std::optional<std::string> FormatSystemUuid(std::string_view bytes) {
  if (bytes.size() != kUuidBytes) return std::nullopt;
  const auto all = [&bytes](char value) {
    return std::all_of(bytes.begin(), bytes.end(), [value](char c) { return c == value; });
  };
  if (all('\x00') || all('\xFF')) return std::nullopt;
  std::array<unsigned char, kUuidBytes> values{};
  std::copy(bytes.begin(), bytes.end(), values.begin());
  return Format(values);
}

std::optional<std::string> TurnUuidFields(std::string_view text) {
  constexpr std::size_t kTextLength = 36;
  if (text.size() != kTextLength) return std::nullopt;
  // The text holds the bytes in table order; read them back so.
  std::array<unsigned char, kUuidBytes> bytes{};
  std::size_t at = 0;
  for (std::size_t i = 0; i < kUuidBytes; ++i) {
    if (std::find(kDashBefore.begin(), kDashBefore.end(), i) != kDashBefore.end()) {
      if (text[at++] != '-') return std::nullopt;
    }
    const int high = HexValue(text[at]);
    const int low = HexValue(text[at + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[i] = static_cast<unsigned char>(high << 4 | low);
    at += 2;
  }
  return Format(bytes);
}

std::optional<std::string> SystemUuid(Machine& machine) {
  const auto entry = ReadSmbiosEntryPoint(machine);
  if (!entry) return std::nullopt;
  const auto text = [&machine] {
    return machine.RootOnlyText(Machine::kDmiDirectory + "product_uuid");
  };
  if (!KernelPrintsUuidInTableOrder(*entry)) {
    const auto uuid = text();
    if (!uuid) return std::nullopt;
    return ToUpper(*uuid);
  }
  // The table's bytes where the table has them: they do not depend on how
  // the running kernel release chose to print an old table's UUID.
  if (const SmbiosTable* table = ReadSmbios(machine)) {
    if (const auto bytes = TableUuidBytes(*table)) return FormatSystemUuid(*bytes);
  }
  const auto uuid = text();
  if (!uuid) return std::nullopt;
  return TurnUuidFields(*uuid);
}

}  // namespace hwident
