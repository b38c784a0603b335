#include "platform/linux/provider/sources/firmware/port_connectors.h"

#include "platform/linux/provider/sources/firmware/machine_smbios.h"

namespace hwident {
namespace {

constexpr std::uint8_t kPortConnector = 8;
constexpr std::int64_t kMale = 2;
constexpr std::int64_t kFemale = 3;

struct ConnectorRow {
  std::uint8_t smbios;
  std::int64_t kind;
  std::int64_t gender;  // 0: the SMBIOS name gives none
};

// SMBIOS connector types by the CIM value of the same name. Windows splits
// the sexed kinds in two (DB-9 pin male is {DB-9, Male}) and takes the
// circular DIN-8 for a Mini-DIN; the dual-inline headers, floppy, CD-ROM
// sound and mini-jack use the values Microsoft's class page lists under
// those names. The on-board IDE, SSA SCSI, SAS/SATA and USB-C kinds have no
// CIM value and give nothing.
constexpr ConnectorRow kConnectors[] = {
    {0x01, 66, 0},       {0x02, 67, 0},     {0x03, 76, 0},       {0x04, 23, kMale},
    {0x05, 23, kFemale}, {0x06, 22, kMale}, {0x07, 22, kFemale}, {0x08, 21, kMale},
    {0x09, 21, kFemale}, {0x0A, 38, 0},     {0x0B, 39, 0},       {0x0C, 6, 0},
    {0x0D, 59, 0},       {0x0E, 60, 0},     {0x0F, 61, 0},       {0x10, 62, 0},
    {0x11, 63, 0},       {0x12, 64, 0},     {0x14, 59, kMale},   {0x15, 59, kFemale},
    {0x17, 89, 0},       {0x18, 90, 0},     {0x19, 91, 0},       {0x1A, 92, 0},
    {0x1B, 93, 0},       {0x1C, 94, 0},     {0x1D, 68, 0},       {0x1E, 70, 0},
    {0x1F, 88, 0},       {0x20, 37, 0},     {0x21, 54, 0},       {0xA0, 83, 0},
    {0xA1, 84, 0},       {0xA2, 85, 0},     {0xA3, 86, 0},       {0xA4, 87, 0},
    {0xFF, 1, 0},
};

PortConnector PortFrom(const SmbiosStructure& s) {
  PortConnector port;
  port.internalDesignator = s.String(0x04);
  port.externalDesignator = s.String(0x06);
  // The external connector first, then the internal one, as Windows lists
  // them ({21, 2, 90}: a DB-9 male socket wired to a 9-pin header).
  std::vector<std::int64_t> types;
  for (const std::size_t offset : {0x07, 0x05}) {
    if (const auto type = s.Byte(offset)) {
      for (const std::int64_t value : CimConnectorOf(*type)) types.push_back(value);
    }
  }
  if (!types.empty()) port.connectorType = types;
  if (const auto type = s.Byte(0x08)) port.portType = CimPortType(*type);
  return port;
}

}  // namespace

std::vector<std::int64_t> CimConnectorOf(std::uint8_t smbios) {
  for (const ConnectorRow& row : kConnectors) {
    if (row.smbios != smbios) continue;
    if (row.gender == 0) return {row.kind};
    return {row.kind, row.gender};
  }
  return {};
}

std::optional<std::int64_t> CimPortType(std::uint8_t smbios) {
  // None up to network port are numbered alike; the 8251 ports are SMBIOS
  // A0h and A1h. SATA, SAS, MFDP, Thunderbolt and "other" have no CIM value.
  if (smbios <= 0x1F) return smbios;
  if (smbios == 0xA0) return 32;
  if (smbios == 0xA1) return 33;
  return std::nullopt;
}

std::vector<PortConnector> PortsFromSmbios(const SmbiosTable& table) {
  std::vector<PortConnector> ports;
  for (const SmbiosStructure* s : table.OfType(kPortConnector, smbios_minimum::kPort)) {
    ports.push_back(PortFrom(*s));
  }
  return ports;
}

const std::vector<PortConnector>& ReadPortConnectors(Machine& machine) {
  return machine.Derived<std::vector<PortConnector>>("port connectors", [&machine] {
    const SmbiosTable* table = ReadSmbios(machine);
    return table == nullptr ? std::vector<PortConnector>{} : PortsFromSmbios(*table);
  });
}

}  // namespace hwident
