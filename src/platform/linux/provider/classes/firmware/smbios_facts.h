#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/sources/firmware/machine_smbios.h"
#include "platform/linux/provider/values/cim_value.h"

namespace hwident {

// Property values read straight from the first SMBIOS structure of a type
// (at least minimumLength long). Null when the table cannot be read, has no
// such structure, or the structure is too short for the field.
Fact SmbiosByte(Machine& machine, std::uint8_t type, std::size_t minimumLength, std::size_t offset);
Fact SmbiosBit(Machine& machine, std::uint8_t type, std::size_t minimumLength, std::size_t offset,
               int bit);
// Every string of every structure of the type, in table order, as an array
// (OEM strings, configuration options); null when there is none.
Fact SmbiosStringList(Machine& machine, std::uint8_t type, std::size_t minimumLength);

}  // namespace hwident
