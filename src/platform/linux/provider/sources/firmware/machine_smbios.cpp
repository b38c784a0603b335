#include "platform/linux/provider/sources/firmware/machine_smbios.h"

namespace hwident {
namespace {

std::optional<SmbiosTable> Load(Machine& machine) {
  const auto entry = ReadSmbiosEntryPoint(machine);
  if (!entry) return std::nullopt;
  const auto table = machine.RootOnlyRaw("/sys/firmware/dmi/tables/DMI");
  if (!table) return std::nullopt;
  return ParseSmbiosTable(*entry, *table);
}

}  // namespace

std::optional<SmbiosEntryPoint> ReadSmbiosEntryPoint(Machine& machine) {
  const auto bytes = machine.RootOnlyRaw("/sys/firmware/dmi/tables/smbios_entry_point");
  if (!bytes) return std::nullopt;
  return ParseSmbiosEntryPoint(*bytes);
}

const SmbiosTable* ReadSmbios(Machine& machine) {
  const auto& table =
      machine.Derived<std::optional<SmbiosTable>>("smbios", [&machine] { return Load(machine); });
  return table ? &*table : nullptr;
}

}  // namespace hwident
