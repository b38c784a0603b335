#include "platform/windows/com_wrappers.h"

#include <oleauto.h>

#include <memory>
#include <new>

#include "platform/windows/variant_transfer.h"

namespace hwident {
namespace {

BSTR AsBstr(CountedString text) {
  return reinterpret_cast<BSTR>(text);
}

// Each wrapper owns one reference to its platform object; Release drops it
// and the wrapper together, as the seam's objects are released, never deleted.
// A wrapper that cannot be allocated gives the reference back and reports
// E_OUTOFMEMORY, so nothing leaks and no exception crosses the seam.
template <typename Wrapper, typename Platform, typename Seam>
ResultCode Wrap(Platform* platform, Seam** seam) {
  *seam = new (std::nothrow) Wrapper(platform);
  if (*seam != nullptr) return S_OK;
  platform->Release();
  return E_OUTOFMEMORY;
}

class ComClassObject final : public ClassObject {
 public:
  explicit ComClassObject(IWbemClassObject* platform) : platform_(platform) {}

  ResultCode BeginEnumeration(std::int32_t flags) override {
    return platform_->BeginEnumeration(flags);
  }

  ResultCode Next(std::int32_t flags, CountedString* name, Variant* value) override {
    BSTR platformName = nullptr;
    VARIANT platformValue;
    VariantInit(&platformValue);
    // The property's type and flavour are not wanted.
    const HRESULT result =
        platform_->Next(flags, name != nullptr ? &platformName : nullptr,
                        value != nullptr ? &platformValue : nullptr, nullptr, nullptr);
    if (name != nullptr) *name = reinterpret_cast<CountedString>(platformName);
    if (value != nullptr) *value = TakeVariant(&platformValue);
    return result;
  }

  ResultCode EndEnumeration() override { return platform_->EndEnumeration(); }

  void Release() override {
    platform_->Release();
    delete this;
  }

 private:
  IWbemClassObject* platform_;
};

class ComEnumerator final : public ObjectEnumerator {
 public:
  explicit ComEnumerator(IEnumWbemClassObject* platform) : platform_(platform) {}

  ResultCode Next(std::int32_t timeout, std::uint32_t count, ClassObject** objects,
                  std::uint32_t* returned) override {
    *returned = 0;
    std::unique_ptr<IWbemClassObject*[]> platformObjects(new (std::nothrow)
                                                             IWbemClassObject*[count]());
    if (!platformObjects) return E_OUTOFMEMORY;
    ULONG platformReturned = 0;
    HRESULT result = platform_->Next(timeout, count, platformObjects.get(), &platformReturned);
    for (ULONG index = 0; index < platformReturned; ++index) {
      if (Wrap<ComClassObject>(platformObjects[index], &objects[*returned]) == S_OK) {
        ++*returned;
      } else {
        result = E_OUTOFMEMORY;
      }
    }
    return result;
  }

  void Release() override {
    platform_->Release();
    delete this;
  }

 private:
  IEnumWbemClassObject* platform_;
};

class ComServices final : public Services {
 public:
  explicit ComServices(IWbemServices* platform) : platform_(platform) {}

  ResultCode ExecQuery(CountedString language, CountedString query, std::int32_t flags,
                       ObjectEnumerator** enumerator) override {
    *enumerator = nullptr;
    IEnumWbemClassObject* platformEnumerator = nullptr;
    const HRESULT result =
        platform_->ExecQuery(AsBstr(language), AsBstr(query), flags, nullptr, &platformEnumerator);
    if (platformEnumerator == nullptr) return result;
    const ResultCode wrapped = Wrap<ComEnumerator>(platformEnumerator, enumerator);
    return wrapped == S_OK ? result : wrapped;
  }

  void Release() override {
    platform_->Release();
    delete this;
  }

 private:
  IWbemServices* platform_;
};

class ComLocator final : public Locator {
 public:
  explicit ComLocator(IWbemLocator* platform) : platform_(platform) {}

  ResultCode ConnectServer(CountedString ns, std::int32_t flags, Services** services) override {
    *services = nullptr;
    IWbemServices* platformServices = nullptr;
    // No user, password, locale, authority or context: the caller's own
    // identity on the local computer.
    const HRESULT result = platform_->ConnectServer(AsBstr(ns), nullptr, nullptr, nullptr, flags,
                                                    nullptr, nullptr, &platformServices);
    if (platformServices == nullptr) return result;
    const ResultCode wrapped = Wrap<ComServices>(platformServices, services);
    return wrapped == S_OK ? result : wrapped;
  }

  void Release() override {
    platform_->Release();
    delete this;
  }

 private:
  IWbemLocator* platform_;
};

}  // namespace

ResultCode WrapLocator(IWbemLocator* platform, Locator** locator) {
  return Wrap<ComLocator>(platform, locator);
}

}  // namespace hwident
