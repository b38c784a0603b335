#include "platform/linux/provider/service/provider_objects.h"

#include <algorithm>

#include "platform/heap/heap_values.h"
#include "platform/linux/provider/service/provider_codes.h"

namespace hwident {
namespace {

char16_t FoldCase(char16_t c) {
  return (c >= u'a' && c <= u'z') ? c - u'a' + u'A' : c;
}

// Names differing only in case cannot share a class, so folding decides;
// the ordinal tie-break only keeps the sort strict.
bool NameBefore(const std::u16string& left, const std::u16string& right) {
  const auto folded = std::lexicographical_compare(
      left.begin(), left.end(), right.begin(), right.end(),
      [](char16_t a, char16_t b) { return FoldCase(a) < FoldCase(b); });
  const auto foldedAfter = std::lexicographical_compare(
      right.begin(), right.end(), left.begin(), left.end(),
      [](char16_t a, char16_t b) { return FoldCase(a) < FoldCase(b); });
  if (folded || foldedAfter) return folded;
  return left < right;
}

}  // namespace

ObjectLayout LayOut(const ClassSchema& schema, const PrintedProperties& printed) {
  std::vector<std::u16string> names;
  for (const PropertySchema& property : schema.properties) {
    names.emplace_back(property.name.begin(), property.name.end());
  }
  std::vector<std::size_t> sorted(names.size());
  for (std::size_t i = 0; i < sorted.size(); ++i) sorted[i] = i;
  std::sort(sorted.begin(), sorted.end(),
            [&names](std::size_t a, std::size_t b) { return NameBefore(names[a], names[b]); });
  ObjectLayout layout;
  layout.position.resize(names.size());
  for (std::size_t at = 0; at < sorted.size(); ++at) layout.position[sorted[at]] = at;
  for (const std::u16string& name : names) layout.printed.push_back(printed.Includes(name));
  auto handedOut = std::make_shared<std::vector<std::u16string>>(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) (*handedOut)[layout.position[i]] = names[i];
  layout.names = std::move(handedOut);
  return layout;
}

std::vector<ObjectProperty> ReadObject(const ClassSchema& schema, Machine& machine,
                                       const std::string& instance, const ObjectLayout& layout) {
  std::vector<ObjectProperty> properties(schema.properties.size());
  // Read in the class's own order, each placed where it is handed out.
  for (std::size_t i = 0; i < schema.properties.size(); ++i) {
    const PropertySchema& property = schema.properties[i];
    ObjectProperty& placed = properties[layout.position[i]];
    placed.type = property.type;
    placed.fact = layout.printed[i] ? property.read(machine, instance) : Fact::Null();
  }
  return properties;
}

ResultCode ProviderObject::BeginEnumeration(std::int32_t) {
  // The provider has no system properties, so every flag walks the same set.
  next_ = 0;
  walking_ = true;
  return kOk;
}

ResultCode ProviderObject::Next(std::int32_t, CountedString* name, Variant* value) {
  if (!walking_) return kUnexpected;
  if (next_ >= properties_.size()) return kNoMoreData;
  const std::u16string& propertyName = (*names_)[next_];
  const ObjectProperty& property = properties_[next_++];
  if (name != nullptr) {
    *name =
        HeapAllocStringLen(propertyName.data(), static_cast<std::uint32_t>(propertyName.size()));
  }
  if (value != nullptr) *value = CimToVariant(property.type, property.fact);
  return kOk;
}

ResultCode ProviderObject::EndEnumeration() {
  walking_ = false;
  return kOk;
}

ProviderEnumerator::ProviderEnumerator(const ClassSchema& schema, std::unique_ptr<Machine> machine,
                                       PrintedProperties printed)
    : schema_(schema), machine_(std::move(machine)), layout_(LayOut(schema, printed)) {
  instances_ = schema_.instances(*machine_);
}

ResultCode ProviderEnumerator::Next(std::int32_t, std::uint32_t count, ClassObject** objects,
                                    std::uint32_t* returned) {
  if (objects == nullptr || returned == nullptr) return kInvalidParameter;
  *returned = 0;
  // Objects are read when handed out, so a caller that stops early never
  // reads the rest.
  while (*returned < count && next_ < instances_.size()) {
    objects[*returned] = new ProviderObject(
        layout_.names, ReadObject(schema_, *machine_, instances_[next_++], layout_));
    ++*returned;
  }
  return *returned == count ? kOk : kFalse;
}

}  // namespace hwident
