#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/sources/firmware/smbios_table.h"

namespace hwident {

// The system UUID (SMBIOS type 1) as Windows shows it: the first three
// fields read little-endian whatever the SMBIOS version, upper case.
//
// The kernel prints product_uuid that way only for SMBIOS 2.6 and later;
// for older tables it prints the bytes in table order, so its text is taken
// as it is only when the entry point says 2.6 or later. For older tables the
// table's own bytes are read, and the kernel's text, its first three fields
// turned round, stands in when the table has no UUID to give. Without the
// entry point (an ordinary user, a kernel older than the tables directory,
// a container that hides /sys/firmware) the order of the text cannot be
// known, and the UUID is null rather than possibly turned.
std::optional<std::string> SystemUuid(Machine& machine);

// Whether the kernel printed product_uuid with its bytes in table order:
// versions before 2.6, after the kernel's own reading of the versions some
// firmware misstates (2.31 and 2.33 are 2.3, 2.51 is 2.6).
bool KernelPrintsUuidInTableOrder(const SmbiosEntryPoint& entry);

// The 16 UUID bytes of the first type-1 structure long enough to hold
// them, the one the kernel takes; nothing when there is none.
std::optional<std::string> TableUuidBytes(const SmbiosTable& table);

// 16 bytes in Windows' form; nothing for all 00h or all FFh, which SMBIOS
// uses for "no UUID" and for which the kernel publishes no product_uuid.
std::optional<std::string> FormatSystemUuid(std::string_view bytes);

// A UUID text (8-4-4-4-12 hex digits) with the bytes of its first three
// fields reversed, upper case; nothing for text that is not a UUID.
std::optional<std::string> TurnUuidFields(std::string_view text);

}  // namespace hwident
