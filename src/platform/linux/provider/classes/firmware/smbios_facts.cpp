#include "platform/linux/provider/classes/firmware/smbios_facts.h"

namespace hwident {
namespace {

const SmbiosStructure* First(Machine& machine, std::uint8_t type, std::size_t minimumLength) {
  const SmbiosTable* table = ReadSmbios(machine);
  return table == nullptr ? nullptr : table->First(type, minimumLength);
}

}  // namespace

Fact SmbiosByte(Machine& machine, std::uint8_t type, std::size_t minimumLength,
                std::size_t offset) {
  const SmbiosStructure* structure = First(machine, type, minimumLength);
  if (structure == nullptr) return Fact::Null();
  const auto value = structure->Byte(offset);
  return value ? Fact::Number(*value) : Fact::Null();
}

Fact SmbiosBit(Machine& machine, std::uint8_t type, std::size_t minimumLength, std::size_t offset,
               int bit) {
  const SmbiosStructure* structure = First(machine, type, minimumLength);
  if (structure == nullptr) return Fact::Null();
  const auto value = structure->Byte(offset);
  return value ? Fact::Flag(((*value >> bit) & 1) != 0) : Fact::Null();
}

Fact SmbiosStringList(Machine& machine, std::uint8_t type, std::size_t minimumLength) {
  const SmbiosTable* table = ReadSmbios(machine);
  if (table == nullptr) return Fact::Null();
  std::vector<std::string> items;
  bool found = false;
  for (const SmbiosStructure* structure : table->OfType(type, minimumLength)) {
    found = true;
    // The count byte says how many strings belong to the list; strings
    // beyond it, or a count beyond the strings, are not trusted.
    const std::size_t count = structure->Byte(0x04).value_or(0);
    for (std::size_t i = 0; i < count && i < structure->strings.size(); ++i) {
      items.push_back(structure->strings[i]);
    }
  }
  return found ? Fact::List(std::move(items)) : Fact::Null();
}

Fact NumberFact(const std::optional<std::int64_t>& value) {
  return value ? Fact::Number(*value) : Fact::Null();
}

Fact FlagFact(const std::optional<bool>& value) {
  return value ? Fact::Flag(*value) : Fact::Null();
}

Fact NumberListFact(const std::optional<std::vector<std::int64_t>>& values) {
  if (!values) return Fact::Null();
  std::vector<std::string> items;
  for (const std::int64_t value : *values) items.push_back(std::to_string(value));
  return Fact::List(std::move(items));
}

}  // namespace hwident
