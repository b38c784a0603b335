#include "platform/linux/provider/sources/firmware/system_slots.h"

#include "platform/linux/provider/sources/firmware/machine_smbios.h"

namespace hwident {
namespace {

constexpr std::uint8_t kSystemSlot = 9;
constexpr std::int64_t kPciExpress = 100;

struct SlotRow {
  std::uint8_t smbios;
  std::int64_t cim;
};

// SMBIOS slot types by the CIM connector of the same name (the numbering
// of Microsoft's slot class page, whose PCI-X, AGP 8X and PCI-E values
// differ from the port class's list).
constexpr SlotRow kSlotTypes[] = {
    {0x01, 1},  {0x02, 0},  {0x03, 44}, {0x04, 91}, {0x05, 45}, {0x06, 43}, {0x07, 47},
    {0x08, 46}, {0x09, 76}, {0x0A, 77}, {0x0B, 78}, {0x0C, 79}, {0x0D, 65}, {0x0E, 80},
    {0x0F, 73}, {0x10, 81}, {0x11, 82}, {0x12, 88}, {0x13, 99},
};

std::optional<std::int64_t> CimSlotType(std::uint8_t smbios) {
  for (const SlotRow& row : kSlotTypes) {
    if (row.smbios == smbios) return row.cim;
  }
  // Every PCI Express kind, whatever its generation, width or form (the
  // A5h-C4h cards but the reserved B7h, the U.2 and Mini forms), is CIM's
  // one PCI-E; M.2, MXM, OCP, CXL and the PC-98 slots have no CIM value.
  if ((smbios >= 0xA5 && smbios <= 0xC4 && smbios != 0xB7) || (smbios >= 0x1F && smbios <= 0x25)) {
    return kPciExpress;
  }
  return std::nullopt;
}

// 8 to 128 bits are CIM's 0 to 4; lane counts (1x-32x), "other" and
// "unknown" have no CIM value.
std::optional<std::int64_t> CimDataWidth(std::uint8_t smbios) {
  if (smbios >= 0x03 && smbios <= 0x07) return smbios - 0x03;
  return std::nullopt;
}

std::optional<bool> Bit(const std::optional<std::uint8_t>& byte, int bit) {
  if (!byte) return std::nullopt;
  return ((*byte >> bit) & 1) != 0;
}

SystemSlot SlotFrom(const SmbiosStructure& s) {
  SystemSlot slot;
  slot.designation = s.String(0x04);
  if (const auto type = s.Byte(0x05)) {
    if (const auto cim = CimSlotType(*type)) slot.connectorType = std::vector<std::int64_t>{*cim};
  }
  if (const auto width = s.Byte(0x06)) slot.maxDataWidth = CimDataWidth(*width);
  // Other, unknown, available, in use: numbered alike; CIM has no
  // "unavailable" (5).
  if (const auto usage = s.Byte(0x07); usage && *usage >= 1 && *usage <= 4) {
    slot.currentUsage = *usage;
  }
  if (const auto id = s.Word(0x09)) slot.number = *id;
  // Bit 0 of the first characteristics byte says the others are unknown.
  const auto first = s.Byte(0x0B);
  if (first && (*first & 0x01) == 0) {
    std::vector<std::int64_t> vcc;
    if ((*first & 0x02) != 0) vcc.push_back(3);  // 5 V
    if ((*first & 0x04) != 0) vcc.push_back(2);  // 3.3 V
    if (!vcc.empty()) slot.vccMixedVoltageSupport = vcc;
    slot.shared = Bit(first, 3);
  }
  const auto second = s.Byte(0x0C);
  slot.pmeSignal = Bit(second, 0);
  slot.supportsHotPlug = Bit(second, 1);
  // Segment, bus and device/function (SMBIOS 2.6); FFh in bus and
  // device/function says the slot has no PCI address.
  const auto segment = s.Word(0x0D);
  const auto bus = s.Byte(0x0F);
  const auto devfn = s.Byte(0x10);
  if (segment && bus && devfn && !(*bus == 0xFF && *devfn == 0xFF)) {
    slot.segmentGroup = *segment;
    slot.bus = *bus;
    slot.device = *devfn >> 3;
    slot.function = *devfn & 0x07;
  }
  return slot;
}

}  // namespace

std::vector<SystemSlot> SlotsFromSmbios(const SmbiosTable& table) {
  std::vector<SystemSlot> slots;
  for (const SmbiosStructure* s : table.OfType(kSystemSlot, smbios_minimum::kSlot)) {
    slots.push_back(SlotFrom(*s));
  }
  return slots;
}

const std::vector<SystemSlot>& ReadSystemSlots(Machine& machine) {
  return machine.Derived<std::vector<SystemSlot>>("system slots", [&machine] {
    const SmbiosTable* table = ReadSmbios(machine);
    return table == nullptr ? std::vector<SystemSlot>{} : SlotsFromSmbios(*table);
  });
}

}  // namespace hwident
