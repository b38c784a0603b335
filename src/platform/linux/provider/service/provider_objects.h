#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/service/class_schema.h"
#include "platform/linux/provider/service/printed_properties.h"
#include "platform/management_service.h"

namespace hwident {

// One property of a returned object, read but not yet typed; its name is
// the layout's.
struct ObjectProperty {
  CimType type;
  Fact fact;
};

// Where each property of a class goes among an object's properties (the
// order WMI hands them out: case-insensitive alphabetical, as its property
// lookup table is sorted) and whether this query prints it: the same for
// every object of a query, so worked out once.
struct ObjectLayout {
  std::vector<std::size_t> position;  // by index into the class's properties
  std::vector<bool> printed;          // the same
  // The names in the order they are handed out, made wide once and shared
  // by every object of the query (which may outlive the enumerator).
  std::shared_ptr<const std::vector<std::u16string>> names;
};
ObjectLayout LayOut(const ClassSchema& schema, const PrintedProperties& printed = {});

// Reads the properties of one instance that will be printed, and names the
// others with a null value, in the layout's order.
std::vector<ObjectProperty> ReadObject(const ClassSchema& schema, Machine& machine,
                                       const std::string& instance, const ObjectLayout& layout);

// One returned instance. Each Next makes a fresh name and value, so the
// caller's FreeString and ClearValue never touch what the object keeps.
class ProviderObject final : public ClassObject {
 public:
  ProviderObject(std::shared_ptr<const std::vector<std::u16string>> names,
                 std::vector<ObjectProperty> properties)
      : names_(std::move(names)), properties_(std::move(properties)) {}

  ResultCode BeginEnumeration(std::int32_t flags) override;
  ResultCode Next(std::int32_t flags, CountedString* name, Variant* value) override;
  ResultCode EndEnumeration() override;
  void Release() override { delete this; }

 private:
  ~ProviderObject() = default;

  std::shared_ptr<const std::vector<std::u16string>> names_;
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
  ObjectLayout layout_;
  std::vector<std::string> instances_;
  std::size_t next_ = 0;
};

}  // namespace hwident
