#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hwident {

// A Windows device setup class: the name a driver package declares
// ("Net") and the GUID Windows publishes for it.
struct SetupClass {
  std::string_view name, guid;
};

// The class Windows' inbox driver for a PCI function of that class code
// (base, sub-class, interface) installs it under; nothing where no inbox
// driver takes the function and the class depends on its vendor's package.
std::optional<SetupClass> PciSetupClass(std::uint32_t classCode);
// The class of the driver Windows binds to a USB interface of that class
// (bInterfaceClass); nothing for vendor-specific and unknown classes.
std::optional<SetupClass> UsbInterfaceSetupClass(std::uint8_t interfaceClass);
// Named setup classes used by devices whose class does not hang on a code.
SetupClass NamedSetupClass(std::string_view name);

// What Windows' inbox drivers call a device with a well-known ACPI
// hardware id, and the class they install it under.
struct AcpiDeviceKind {
  std::string_view name;
  SetupClass setupClass;
};
std::optional<AcpiDeviceKind> KnownAcpiDevice(std::string_view hardwareId);

}  // namespace hwident
