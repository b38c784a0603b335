#include "platform/scripted/scripted_service.h"

#include <algorithm>
#include <ostream>

namespace hwident {
namespace {

std::u16string CopyText(CountedString text) {
  return text == nullptr ? std::u16string{} : std::u16string{text};
}

// Marks one handed-out instance released; a second release is a misuse.
template <typename Instance>
bool MarkReleased(Instance& instance) {
  if (instance.released) return false;
  instance.released = true;
  return true;
}

template <typename Instances>
int CountHeld(const Instances& instances) {
  return static_cast<int>(std::count_if(instances.begin(), instances.end(),
                                        [](const auto& live) { return !live->released; }));
}

// Keeps only the instances the caller still holds.
template <typename Instances>
void DropReleased(Instances& instances) {
  std::erase_if(instances, [](const auto& live) { return live->released; });
}

}  // namespace

// ---------------------------------------------------------------------------
// The live instances the caller receives. Each holds only what its own calls
// need; the script and the records stay with the service.

class ScriptedService::LiveLocator final : public Locator {
 public:
  explicit LiveLocator(ScriptedService& service) : service_(service) {}
  ResultCode ConnectServer(CountedString ns, std::int32_t, Services** services) override {
    if (released) service_.Misuse("ConnectServer on a released locator");
    return service_.ConnectServer(ns, services);
  }
  void Release() override {
    if (!MarkReleased(*this)) return service_.Misuse("locator released twice");
    ++service_.locatorReleases_;
  }
  bool released = false;

 private:
  ScriptedService& service_;
};

class ScriptedService::LiveServices final : public Services {
 public:
  explicit LiveServices(ScriptedService& service) : service_(service) {}
  ResultCode ExecQuery(CountedString language, CountedString query, std::int32_t flags,
                       ObjectEnumerator** enumerator) override {
    if (released) service_.Misuse("ExecQuery on released services");
    return service_.ExecQuery(language, query, flags, enumerator);
  }
  void Release() override {
    if (!MarkReleased(*this)) return service_.Misuse("services released twice");
    ++service_.servicesReleases_;
  }
  bool released = false;

 private:
  ScriptedService& service_;
};

class ScriptedService::LiveObject final : public ClassObject {
 public:
  LiveObject(ScriptedService& service, const ScriptedObject& script)
      : service_(service), script_(script) {}

  ResultCode BeginEnumeration(std::int32_t flags) override {
    if (released) service_.Misuse("BeginEnumeration on a released object");
    service_.beginFlags_.push_back(flags);
    nextIndex_ = 0;
    nextCalls_ = 0;
    walking_ = script_.beginResult_ == kOk;
    return script_.beginResult_;
  }

  ResultCode Next(std::int32_t, CountedString* name, Variant* value) override {
    if (released) service_.Misuse("property Next on a released object");
    if (!walking_) {
      service_.Misuse("property Next without a successful BeginEnumeration");
      return kFail;
    }
    ++nextCalls_;
    if (script_.failingNextCall_ != 0 && nextCalls_ >= script_.failingNextCall_) {
      return script_.nextFailure_;
    }
    if (nextIndex_ >= script_.properties_.size()) return kNoMoreData;
    const auto& [propertyName, propertyValue] = script_.properties_[nextIndex_++];
    // COM lets a caller pass null for an output it does not want.
    if (name != nullptr) {
      *name = service_.Track(
          HeapAllocStringLen(propertyName.data(), static_cast<std::uint32_t>(propertyName.size())));
    }
    if (value != nullptr) {
      *value = service_.HandOut(propertyValue);
      ++service_.valuesHandedOut_;
    }
    return kOk;
  }

  ResultCode EndEnumeration() override {
    if (released) service_.Misuse("EndEnumeration on a released object");
    ++service_.endEnumerations_;
    walking_ = false;
    return kOk;
  }

  void Release() override {
    if (!MarkReleased(*this)) return service_.Misuse("object released twice");
    ++service_.objectReleases_;
  }
  bool released = false;

 private:
  ScriptedService& service_;
  const ScriptedObject& script_;
  bool walking_ = false;
  std::size_t nextIndex_ = 0;
  int nextCalls_ = 0;
};

class ScriptedService::LiveEnumerator final : public ObjectEnumerator {
 public:
  LiveEnumerator(ScriptedService& service, const QueryScript& script)
      : service_(service), script_(script) {}

  ResultCode Next(std::int32_t, std::uint32_t count, ClassObject** objects,
                  std::uint32_t* returned) override {
    if (released) service_.Misuse("Next on a released enumerator");
    *returned = 0;
    ++calls_;
    if (script_.failingNextCall != 0 && calls_ >= script_.failingNextCall) {
      return script_.nextFailure;
    }
    while (*returned < count && position_ < script_.objects.size()) {
      objects[(*returned)++] = service_.NewObject(*script_.objects[position_++]);
    }
    // Fewer objects than asked for, none at the end, is the qualified success.
    return *returned == count ? kOk : kFalse;
  }

  void Release() override {
    if (!MarkReleased(*this)) return service_.Misuse("enumerator released twice");
    ++service_.enumeratorReleases_;
  }
  bool released = false;

 private:
  ScriptedService& service_;
  const QueryScript& script_;
  std::size_t position_ = 0;
  int calls_ = 0;
};

// ---------------------------------------------------------------------------
// The script.

ScriptedObject::~ScriptedObject() {
  for (auto& property : properties_) HeapClearValue(&property.second);
}

ScriptedObject& ScriptedObject::Property(std::u16string_view name, Variant value) {
  properties_.emplace_back(std::u16string{name}, value);
  return *this;
}

ScriptedObject& ScriptedObject::FailBeginEnumeration(ResultCode code) {
  beginResult_ = code;
  return *this;
}

ScriptedObject& ScriptedObject::FailPropertyNext(int call, ResultCode code) {
  failingNextCall_ = call;
  nextFailure_ = code;
  return *this;
}

ScriptedService::ScriptedService() = default;

ScriptedService::~ScriptedService() {
  // Whatever the caller leaked is reported by Outstanding(); free it here so
  // the leak does not also surface as a sanitizer report. Array blocks go
  // first: the strings inside them are tracked on their own.
  for (HeapArray* block : liveArrays_) delete block;
  for (CountedString text : liveStrings_) HeapFreeString(text);
}

ScriptedService::QueryScript& ScriptedService::Query(std::u16string_view query) {
  auto found = queryScripts_.find(query);
  if (found == queryScripts_.end()) {
    found = queryScripts_.emplace(std::u16string{query}, QueryScript{}).first;
  }
  return found->second;
}

ScriptedObject& ScriptedService::AddObject(std::u16string_view query) {
  ScriptedObject& object = objects_.emplace_back();
  Query(query).objects.push_back(&object);
  return object;
}

void ScriptedService::AddQuery(std::u16string_view query) {
  Query(query);
}

void ScriptedService::RejectQuery(std::u16string_view query, ResultCode code) {
  Query(query).result = code;
}

void ScriptedService::FailEnumeratorNext(std::u16string_view query, int call, ResultCode code) {
  QueryScript& script = Query(query);
  script.failingNextCall = call;
  script.nextFailure = code;
}

ServiceConnection ScriptedService::Connect() {
  return ServiceConnection{*this, NewServices()};
}

// ---------------------------------------------------------------------------
// The object system.

ResultCode ScriptedService::InitializeApartment() {
  ++apartmentCalls_;
  return apartmentResult_;
}

ResultCode ScriptedService::InitializeSecurity() {
  ++securityCalls_;
  return securityResult_;
}

ResultCode ScriptedService::CreateLocator(Locator** locator) {
  *locator = nullptr;
  if (locatorResult_ != kOk) return locatorResult_;
  *locator = locators_.emplace_back(std::make_unique<LiveLocator>(*this)).get();
  return kOk;
}

CountedString ScriptedService::AllocString(const WideChar* text) {
  if (failAllocString_) return nullptr;
  return Track(HeapAllocString(text));
}

CountedString ScriptedService::AllocStringLen(const WideChar* text, std::uint32_t length) {
  if (failAllocStringLen_) return nullptr;
  return Track(HeapAllocStringLen(text, length));
}

void ScriptedService::FreeString(CountedString text) {
  if (text == nullptr) return;  // freeing null is allowed and does nothing
  if (liveStrings_.erase(text) == 0) {
    return Misuse("FreeString of a string the service does not know (or freed twice)");
  }
  freedStrings_.emplace_back(text);
  HeapFreeString(text);
}

void ScriptedService::ClearValue(Variant* value) {
  clearedTypes_.push_back(value->type);
  Untrack(value);
  *value = Variant{};
}

ResultCode ScriptedService::ConnectServer(CountedString ns, Services** services) {
  namespaces_.push_back(CopyText(ns));
  *services = connectResult_ == kOk || connectHandsBack_ ? NewServices() : nullptr;
  return connectResult_;
}

ResultCode ScriptedService::ExecQuery(CountedString language, CountedString query,
                                      std::int32_t flags, ObjectEnumerator** enumerator) {
  queries_.push_back(ScriptedQueryCall{CopyText(language), CopyText(query), flags});
  *enumerator = nullptr;
  const auto found = queryScripts_.find(queries_.back().text);
  if (found == queryScripts_.end()) return kInvalidClass;
  if (found->second.result != kOk) return found->second.result;
  *enumerator =
      enumerators_.emplace_back(std::make_unique<LiveEnumerator>(*this, found->second)).get();
  return kOk;
}

Services* ScriptedService::NewServices() {
  return services_.emplace_back(std::make_unique<LiveServices>(*this)).get();
}

ClassObject* ScriptedService::NewObject(const ScriptedObject& script) {
  return liveObjects_.emplace_back(std::make_unique<LiveObject>(*this, script)).get();
}

// ---------------------------------------------------------------------------
// Strings and values handed out.

CountedString ScriptedService::Track(CountedString text) {
  if (text != nullptr) liveStrings_.insert(text);
  return text;
}

// Deep copy of a script value: the caller's ClearValue must not touch the
// script, and every string and array in the copy is tracked.
Variant ScriptedService::HandOut(const Variant& value) {
  Variant copy = value;
  if (value.type == vt::kBstr && value.bstr != nullptr) {
    copy.bstr = Track(HeapAllocStringLen(value.bstr, HeapStringLength(value.bstr)));
  } else if ((value.type & vt::kArray) != 0 && value.array != nullptr) {
    const auto* source = static_cast<const HeapArray*>(value.array);
    auto* block = new HeapArray{source->elementType, {}};
    for (const Variant& element : source->elements) block->elements.push_back(HandOut(element));
    liveArrays_.insert(block);
    copy.array = block;
  }
  return copy;
}

void ScriptedService::Untrack(Variant* value) {
  if (value->type == vt::kBstr && value->bstr != nullptr) {
    if (liveStrings_.erase(value->bstr) == 0) {
      return Misuse("ClearValue of a string the service does not know (or cleared twice)");
    }
    HeapFreeString(value->bstr);
  } else if ((value->type & vt::kArray) != 0 && value->array != nullptr) {
    auto* block = static_cast<HeapArray*>(value->array);
    if (liveArrays_.erase(block) == 0) {
      return Misuse("ClearValue of an array the service does not know (or cleared twice)");
    }
    for (Variant& element : block->elements) Untrack(&element);
    delete block;
  }
}

void ScriptedService::Misuse(std::string what) {
  misuses_.push_back(std::move(what));
}

// ---------------------------------------------------------------------------
// Reports.

ScriptedOutstanding ScriptedService::Outstanding() const {
  ScriptedOutstanding outstanding;
  outstanding.locators = CountHeld(locators_);
  outstanding.services = CountHeld(services_);
  outstanding.enumerators = CountHeld(enumerators_);
  outstanding.objects = CountHeld(liveObjects_);
  outstanding.strings = static_cast<int>(liveStrings_.size());
  outstanding.values = std::max(0, valuesHandedOut_ - valueClears());
  return outstanding;
}

void ScriptedService::ForgetReleased() {
  DropReleased(locators_);
  DropReleased(services_);
  DropReleased(enumerators_);
  DropReleased(liveObjects_);
  // Values still held stay counted against the clears still to come.
  valuesHandedOut_ = std::max(0, valuesHandedOut_ - valueClears());
  apartmentCalls_ = securityCalls_ = endEnumerations_ = 0;
  locatorReleases_ = servicesReleases_ = enumeratorReleases_ = objectReleases_ = 0;
  namespaces_.clear();
  queries_.clear();
  beginFlags_.clear();
  clearedTypes_.clear();
  freedStrings_.clear();
  misuses_.clear();
}

bool ScriptedOutstanding::Any() const {
  return *this != ScriptedOutstanding{};
}

std::ostream& operator<<(std::ostream& out, const ScriptedOutstanding& outstanding) {
  return out << "{locators " << outstanding.locators << ", services " << outstanding.services
             << ", enumerators " << outstanding.enumerators << ", objects " << outstanding.objects
             << ", strings " << outstanding.strings << ", values " << outstanding.values << "}";
}

}  // namespace hwident
