#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/sources/firmware/smbios_table.h"

namespace hwident {

// One device built into the board, from an SMBIOS type-10 entry or a
// type-41 structure.
struct OnBoardDevice {
  std::optional<std::string> description;
  std::optional<std::int64_t> deviceType;  // CIM numbering
  bool enabled = false;
};

// Every device of every type-10 structure (one structure lists several)
// and every type-41 structure, in table order.
std::vector<OnBoardDevice> OnBoardDevicesFromSmbios(const SmbiosTable& table);

// The table's on-board devices, once per query; none without the table.
const std::vector<OnBoardDevice>& ReadOnBoardDevices(Machine& machine);

}  // namespace hwident
