#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/sources/firmware/smbios_table.h"

namespace hwident {

// One expansion slot the firmware describes (SMBIOS type 9), in the CIM
// numbering Windows uses.
struct SystemSlot {
  std::optional<std::string> designation;
  std::optional<std::vector<std::int64_t>> connectorType, vccMixedVoltageSupport;
  std::optional<std::int64_t> maxDataWidth, currentUsage, number;
  std::optional<bool> shared, pmeSignal, supportsHotPlug;
  // The slot's PCI address, SMBIOS 2.6 on.
  std::optional<std::int64_t> segmentGroup, bus, device, function;
};

// Every type-9 structure, in table order.
std::vector<SystemSlot> SlotsFromSmbios(const SmbiosTable& table);

// The table's slots, once per query; none without the table.
const std::vector<SystemSlot>& ReadSystemSlots(Machine& machine);

}  // namespace hwident
