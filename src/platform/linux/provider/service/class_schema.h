#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/values/cim_value.h"

namespace hwident {

// Reads one property of one instance; instance is the key the class's
// enumeration gave (empty for single-instance classes).
using FactReader = Fact (*)(Machine& machine, const std::string& instance);

// One property: its name as Windows spells it, its CIM type and its source.
struct PropertySchema {
  std::string_view name;
  CimType type;
  FactReader read;
};

// One class: its name, how its instances are found and its properties. The
// properties may be declared in any order; objects hand them out sorted.
struct ClassSchema {
  std::string_view name;
  std::vector<std::string> (*instances)(Machine& machine);
  std::span<const PropertySchema> properties;
};

// Every class the provider answers.
std::span<const ClassSchema* const> ProviderClasses();
// The class of that name, letter case ignored; null when there is none.
const ClassSchema* FindProviderClass(std::string_view name);

// For classes with exactly one instance.
std::vector<std::string> SingleInstance(Machine& machine);

// Fact helpers shared by the class tables.
Fact FactFrom(const std::optional<std::string>& text);
// The same, taking over a text made for it rather than copying it.
Fact FactFrom(std::optional<std::string>&& text);
Fact Constant(std::string_view text);
// For the documented properties Linux has no source for.
Fact NullFact(Machine& machine, const std::string& instance);

}  // namespace hwident
