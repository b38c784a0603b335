// Win32_PortConnector: one object per port connector the firmware describes
// (SMBIOS type 8), in table order; none without the table (root only).
#include "platform/linux/provider/classes/firmware/smbios_facts.h"
#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/firmware/port_connectors.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

std::vector<std::string> Ports(M& m) {
  return RecordPlaces(ReadPortConnectors(m));
}

const PortConnector* PortOf(M& m, I id) {
  return RecordAt(ReadPortConnectors(m), id);
}

Fact PortConnectorText(M&, I) {
  return Constant("Port Connector");
}

constexpr PropertySchema kProperties[] = {
    {"Caption", CimType::kString, PortConnectorText},
    {"ConnectorPinout", CimType::kString, NullFact},
    {"ConnectorType", CimType::kUint16Array,
     [](M& m, I id) {
       const PortConnector* port = PortOf(m, id);
       return port == nullptr ? Fact::Null() : NumberListFact(port->connectorType);
     }},
    {"CreationClassName", CimType::kString, [](M&, I) { return Constant("Win32_PortConnector"); }},
    {"Description", CimType::kString, PortConnectorText},
    {"ExternalReferenceDesignator", CimType::kString,
     [](M& m, I id) {
       const PortConnector* port = PortOf(m, id);
       return port == nullptr ? Fact::Null() : FactFrom(port->externalDesignator);
     }},
    {"InstallDate", CimType::kDatetime, NullFact},
    {"InternalReferenceDesignator", CimType::kString,
     [](M& m, I id) {
       const PortConnector* port = PortOf(m, id);
       return port == nullptr ? Fact::Null() : FactFrom(port->internalDesignator);
     }},
    {"Manufacturer", CimType::kString, NullFact},
    {"Model", CimType::kString, NullFact},
    {"Name", CimType::kString, PortConnectorText},
    {"OtherIdentifyingInfo", CimType::kString, NullFact},
    {"PartNumber", CimType::kString, NullFact},
    {"PortType", CimType::kUint16,
     [](M& m, I id) {
       const PortConnector* port = PortOf(m, id);
       return port == nullptr ? Fact::Null() : NumberFact(port->portType);
     }},
    {"PoweredOn", CimType::kBoolean, NullFact},
    {"SerialNumber", CimType::kString, NullFact},
    {"SKU", CimType::kString, NullFact},
    {"Status", CimType::kString, NullFact},
    {"Tag", CimType::kString, [](M&, I id) { return Fact::Text("Port Connector " + id); }},
    {"Version", CimType::kString, NullFact},
};

}  // namespace

const ClassSchema& PortConnectorClass() {
  static const ClassSchema schema{"Win32_PortConnector", Ports, kProperties};
  return schema;
}

}  // namespace hwident
