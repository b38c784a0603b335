#pragma once

#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/sources/firmware/smbios_table.h"

namespace hwident {

// The entry point the kernel publishes; null when it cannot be read (not
// root, no SMBIOS, a kernel older than /sys/firmware/dmi/tables) or is of a
// kind not known.
std::optional<SmbiosEntryPoint> ReadSmbiosEntryPoint(Machine& machine);

// The machine's SMBIOS table, read and walked once per query. Null when it
// cannot be read: not root (the kernel makes both files 0400), no SMBIOS,
// or an entry point of a kind not known.
const SmbiosTable* ReadSmbios(Machine& machine);

// Minimum formatted lengths, by type, of the SMBIOS version that brought
// each type in; shorter structures are broken and skipped.
namespace smbios_minimum {
inline constexpr std::size_t kBios = 0x12;             // type 0
inline constexpr std::size_t kSystem = 0x08;           // type 1
inline constexpr std::size_t kBaseBoard = 0x08;        // type 2
inline constexpr std::size_t kEnclosure = 0x09;        // type 3
inline constexpr std::size_t kProcessor = 0x1A;        // type 4
inline constexpr std::size_t kCache = 0x0F;            // type 7
inline constexpr std::size_t kPort = 0x09;             // type 8
inline constexpr std::size_t kSlot = 0x0C;             // type 9
inline constexpr std::size_t kOnBoard = 0x06;          // type 10, one device
inline constexpr std::size_t kOemStrings = 0x05;       // type 11
inline constexpr std::size_t kConfigOptions = 0x05;    // type 12
inline constexpr std::size_t kMemoryArray = 0x0F;      // type 16
inline constexpr std::size_t kMemoryDevice = 0x15;     // type 17
inline constexpr std::size_t kOnBoardExtended = 0x0B;  // type 41
}  // namespace smbios_minimum

}  // namespace hwident
