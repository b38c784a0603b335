// Win32_SystemSlot: one object per expansion slot the firmware describes
// (SMBIOS type 9), in table order; none without the table (root only).
#include "platform/linux/provider/classes/firmware/smbios_facts.h"
#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/firmware/system_slots.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

std::vector<std::string> Slots(M& m) {
  return RecordPlaces(ReadSystemSlots(m));
}

template <auto member>
Fact Number(M& m, I id) {
  const SystemSlot* slot = RecordAt(ReadSystemSlots(m), id);
  return slot == nullptr ? Fact::Null() : NumberFact(slot->*member);
}

template <auto member>
Fact Flag(M& m, I id) {
  const SystemSlot* slot = RecordAt(ReadSystemSlots(m), id);
  return slot == nullptr ? Fact::Null() : FlagFact(slot->*member);
}

template <auto member>
Fact NumberList(M& m, I id) {
  const SystemSlot* slot = RecordAt(ReadSystemSlots(m), id);
  return slot == nullptr ? Fact::Null() : NumberListFact(slot->*member);
}

Fact SystemSlotText(M&, I) {
  return Constant("System Slot");
}

constexpr PropertySchema kProperties[] = {
    {"BusNumber", CimType::kUint32, Number<&SystemSlot::bus>},
    {"Caption", CimType::kString, SystemSlotText},
    {"ConnectorPinout", CimType::kString, NullFact},
    {"ConnectorType", CimType::kUint16Array, NumberList<&SystemSlot::connectorType>},
    {"CreationClassName", CimType::kString, [](M&, I) { return Constant("Win32_SystemSlot"); }},
    {"CurrentUsage", CimType::kUint16, Number<&SystemSlot::currentUsage>},
    {"Description", CimType::kString, SystemSlotText},
    {"DeviceNumber", CimType::kUint32, Number<&SystemSlot::device>},
    {"FunctionNumber", CimType::kUint32, Number<&SystemSlot::function>},
    {"HeightAllowed", CimType::kReal32, NullFact},
    {"InstallDate", CimType::kDatetime, NullFact},
    {"LengthAllowed", CimType::kReal32, NullFact},
    {"Manufacturer", CimType::kString, NullFact},
    {"MaxDataWidth", CimType::kUint16, Number<&SystemSlot::maxDataWidth>},
    {"Model", CimType::kString, NullFact},
    {"Name", CimType::kString, SystemSlotText},
    {"Number", CimType::kUint16, Number<&SystemSlot::number>},
    {"OtherIdentifyingInfo", CimType::kString, NullFact},
    {"PartNumber", CimType::kString, NullFact},
    {"PMESignal", CimType::kBoolean, Flag<&SystemSlot::pmeSignal>},
    {"PoweredOn", CimType::kBoolean, NullFact},
    {"PurposeDescription", CimType::kString, NullFact},
    {"SegmentGroupNumber", CimType::kUint32, Number<&SystemSlot::segmentGroup>},
    {"SerialNumber", CimType::kString, NullFact},
    {"Shared", CimType::kBoolean, Flag<&SystemSlot::shared>},
    {"SKU", CimType::kString, NullFact},
    {"SlotDesignation", CimType::kString,
     [](M& m, I id) {
       const SystemSlot* slot = RecordAt(ReadSystemSlots(m), id);
       return slot == nullptr ? Fact::Null() : FactFrom(slot->designation);
     }},
    {"SpecialPurpose", CimType::kBoolean, NullFact},
    {"Status", CimType::kString, [](M&, I) { return Constant("OK"); }},
    {"SupportsHotPlug", CimType::kBoolean, Flag<&SystemSlot::supportsHotPlug>},
    {"Tag", CimType::kString, [](M&, I id) { return Fact::Text("System Slot " + id); }},
    {"ThermalRating", CimType::kUint32, NullFact},
    {"VccMixedVoltageSupport", CimType::kUint16Array,
     NumberList<&SystemSlot::vccMixedVoltageSupport>},
    {"Version", CimType::kString, NullFact},
    {"VppMixedVoltageSupport", CimType::kUint16Array, NullFact},
};

}  // namespace

const ClassSchema& SystemSlotClass() {
  static const ClassSchema schema{"Win32_SystemSlot", Slots, kProperties};
  return schema;
}

}  // namespace hwident
