#pragma once

#include <utility>

#include "platform/management_service.h"

namespace hwident {

// Small owners for what the service hands out, so every path out of a
// request gives back what it received, in reverse order of receipt.

// A counted string, freed through the object system.
class StringHolder {
 public:
  StringHolder(ObjectSystem& objects, CountedString text) : objects_(objects), text_(text) {}
  StringHolder(const StringHolder&) = delete;
  StringHolder& operator=(const StringHolder&) = delete;
  ~StringHolder() { objects_.FreeString(text_); }

  CountedString get() const { return text_; }

 private:
  ObjectSystem& objects_;
  CountedString text_;
};

// A variant, cleared through the object system.
class ValueHolder {
 public:
  ValueHolder(ObjectSystem& objects, const Variant& value) : objects_(objects), value_(value) {}
  ValueHolder(const ValueHolder&) = delete;
  ValueHolder& operator=(const ValueHolder&) = delete;
  ~ValueHolder() { objects_.ClearValue(&value_); }

  const Variant& get() const { return value_; }

 private:
  ObjectSystem& objects_;
  Variant value_;
};

// Any service object with Release (enumerator, object, services, locator).
template <typename Interface>
class ReleaseHolder {
 public:
  ReleaseHolder() = default;
  ReleaseHolder(const ReleaseHolder&) = delete;
  ReleaseHolder& operator=(const ReleaseHolder&) = delete;
  ~ReleaseHolder() { Reset(); }

  Interface* get() const { return object_; }
  Interface* operator->() const { return object_; }
  // For an output parameter; releases what was held first.
  Interface** Receive() {
    Reset();
    return &object_;
  }

 private:
  void Reset() {
    if (object_ != nullptr) std::exchange(object_, nullptr)->Release();
  }
  Interface* object_ = nullptr;
};

// Ends an object's property walk on every path, whatever BeginEnumeration
// returned.
class EnumerationEnder {
 public:
  explicit EnumerationEnder(ClassObject& object) : object_(object) {}
  EnumerationEnder(const EnumerationEnder&) = delete;
  EnumerationEnder& operator=(const EnumerationEnder&) = delete;
  ~EnumerationEnder() { object_.EndEnumeration(); }

 private:
  ClassObject& object_;
};

}  // namespace hwident
