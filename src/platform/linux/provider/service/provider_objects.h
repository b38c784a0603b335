#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/service/class_schema.h"
#include "platform/linux/provider/service/printed_properties.h"
#include "platform/management_service.h"

namespace hwident {

// One property of a returned object, read but not yet typed.
struct ObjectProperty {
  std::u16string name;
  CimType type;
  Fact fact;
};

// Reads the properties of one instance that will be printed, and names the
// others with a null value, in the order WMI hands them out:
// case-insensitive alphabetical, as its property lookup table is sorted.
std::vector<ObjectProperty> ReadObject(const ClassSchema& schema, Machine& machine,
                                       const std::string& instance,
                                       const PrintedProperties& printed = {});

// One returned instance. Each Next makes a fresh name and value, so the
// caller's FreeString and ClearValue never touch what the object keeps.
class ProviderObject final : public ClassObject {
 public:
  explicit ProviderObject(std::vector<ObjectProperty> properties)
      : properties_(std::move(properties)) {}

  ResultCode BeginEnumeration(std::int32_t flags) override;
  ResultCode Next(std::int32_t flags, CountedString* name, Variant* value) override;
  ResultCode EndEnumeration() override;
  void Release() override { delete this; }

 private:
  ~ProviderObject() = default;

  std::vector<ObjectProperty> properties_;
  std::size_t next_ = 0;
  bool walking_ = false;
};

// The objects of one query, read one at a time as the caller asks for them.
class ProviderEnumerator final : public ObjectEnumerator {
 public:
  ProviderEnumerator(const ClassSchema& schema, std::unique_ptr<Machine> machine,
                     PrintedProperties printed = {});

  ResultCode Next(std::int32_t timeout, std::uint32_t count, ClassObject** objects,
                  std::uint32_t* returned) override;
  void Release() override { delete this; }

 private:
  ~ProviderEnumerator() = default;

  const ClassSchema& schema_;
  std::unique_ptr<Machine> machine_;
  PrintedProperties printed_;
  std::vector<std::string> instances_;
  std::size_t next_ = 0;
};

}  // namespace hwident
