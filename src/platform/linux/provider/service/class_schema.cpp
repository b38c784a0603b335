#include "platform/linux/provider/service/class_schema.h"

#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/service/wql_query.h"

namespace hwident {

std::span<const ClassSchema* const> ProviderClasses() {
  // The order is only the order tests walk them in; lookup is by name.
  static const ClassSchema* const classes[] = {
      &ComputerSystemClass(),
      &ComputerSystemProductClass(),
      &BiosClass(),
      &BaseBoardClass(),
      &SystemEnclosureClass(),
      &ProcessorClass(),
      &OperatingSystemClass(),
      &CdromDriveClass(),
      // Display and sound devices, power.
      &VideoControllerClass(),
      &DesktopMonitorClass(),
      &SoundDeviceClass(),
      &BatteryClass(),
      &PhysicalMemoryClass(),
      &PhysicalMemoryArrayClass(),
      // The board's caches, ports, slots and built-in devices (SMBIOS).
      &CacheMemoryClass(),
      &PortConnectorClass(),
      &SystemSlotClass(),
      &OnBoardDeviceClass(),
      &DiskDriveClass(),
      &DiskPartitionClass(),
      &LogicalDiskClass(),
      &VolumeClass(),
      &NetworkAdapterClass(),
      &NetworkAdapterConfigurationClass(),
      // Printing and sharing.
      &PrinterClass(),
      &ShareClass(),
      // Input devices and drivers.
      &KeyboardClass(),
      &PointingDeviceClass(),
      &SystemDriverClass(),
      // Accounts, sessions, swap and the system's settings.
      &UserAccountClass(),
      &GroupClass(),
      &LogonSessionClass(),
      &PageFileUsageClass(),
      &PageFileSettingClass(),
      &BootConfigurationClass(),
      &EnvironmentClass(),
      // Controllers, every device and their drivers.
      &UsbControllerClass(),
      &IdeControllerClass(),
      &ScsiControllerClass(),
      &PnpEntityClass(),
      &PnpSignedDriverClass(),
      // The running system: processes, services.
      &ProcessClass(),
      &ServiceClass(),
  };
  return classes;
}

const ClassSchema* FindProviderClass(std::string_view name) {
  for (const ClassSchema* schema : ProviderClasses()) {
    if (EqualsIgnoringCase(schema->name, name)) return schema;
  }
  return nullptr;
}

std::vector<std::string> SingleInstance(Machine&) {
  return {std::string()};
}

std::vector<std::string> InstanceIfDmi(Machine& machine) {
  if (!machine.HasDmi()) return {};
  return {std::string()};
}

Fact FactFrom(const std::optional<std::string>& text) {
  return text ? Fact::Text(*text) : Fact::Null();
}

Fact FactFrom(std::optional<std::string>&& text) {
  return text ? Fact::Text(std::move(*text)) : Fact::Null();
}

Fact NullFact(Machine&, const std::string&) {
  return Fact::Null();
}

Fact Constant(std::string_view text) {
  return Fact::Text(std::string(text));
}

}  // namespace hwident
