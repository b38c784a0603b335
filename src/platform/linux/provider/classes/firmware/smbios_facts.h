#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

// Classes with one object per record of a parsed SMBIOS list (caches,
// ports, slots, on-board devices): an object's key is its place in the
// list, which is the number Windows puts in its tag.
template <typename T>
std::vector<std::string> RecordPlaces(const std::vector<T>& records) {
  std::vector<std::string> places;
  for (std::size_t i = 0; i < records.size(); ++i) places.push_back(std::to_string(i));
  return places;
}

// The record a key names; null for a key that names none.
template <typename T>
const T* RecordAt(const std::vector<T>& records, const std::string& place) {
  std::size_t index = 0;
  for (const char c : place) {
    if (c < '0' || c > '9' || index > records.size()) return nullptr;
    index = index * 10 + static_cast<std::size_t>(c - '0');
  }
  if (place.empty() || index >= records.size()) return nullptr;
  return &records[index];
}

Fact NumberFact(const std::optional<std::int64_t>& value);
Fact FlagFact(const std::optional<bool>& value);
Fact NumberListFact(const std::optional<std::vector<std::int64_t>>& values);

}  // namespace hwident
