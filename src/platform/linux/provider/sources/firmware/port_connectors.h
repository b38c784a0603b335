#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/sources/firmware/smbios_table.h"

namespace hwident {

// One port connector the firmware describes (SMBIOS type 8), in the CIM
// numbering Windows uses.
struct PortConnector {
  std::optional<std::string> internalDesignator, externalDesignator;
  std::optional<std::vector<std::int64_t>> connectorType;
  std::optional<std::int64_t> portType;
};

// Every type-8 structure, in table order.
std::vector<PortConnector> PortsFromSmbios(const SmbiosTable& table);

// The table's port connectors, once per query; none without the table.
const std::vector<PortConnector>& ReadPortConnectors(Machine& machine);

// An SMBIOS connector type (types 8) as CIM physical-connector values:
// the kind, then Male or Female where the SMBIOS name says. Empty for
// "none" and for kinds CIM has no value for.
std::vector<std::int64_t> CimConnectorOf(std::uint8_t smbios);

// An SMBIOS port type as the CIM port type; null where CIM has none.
std::optional<std::int64_t> CimPortType(std::uint8_t smbios);

}  // namespace hwident
