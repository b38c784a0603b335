#include "platform/windows/com_object_system.h"

#include "platform/windows/windows_api.h"

#include <objbase.h>
#include <oleauto.h>
#include <wbemidl.h>

#include "platform/windows/com_wrappers.h"
#include "platform/windows/variant_transfer.h"

namespace hwident {
namespace {

// BSTR and the seam's CountedString are the same object: a zero-terminated
// run of 16-bit units with its byte count in front. Only the character type
// differs (wchar_t is 16-bit on Windows), so the pointers convert as they are.
static_assert(sizeof(OLECHAR) == sizeof(WideChar));

BSTR AsBstr(CountedString text) {
  return reinterpret_cast<BSTR>(text);
}
const OLECHAR* AsOleText(const WideChar* text) {
  return reinterpret_cast<const OLECHAR*>(text);
}
CountedString AsCounted(BSTR text) {
  return reinterpret_cast<CountedString>(text);
}

}  // namespace

ResultCode ComObjectSystem::InitializeApartment() {
  return CoInitializeEx(nullptr, COINIT_MULTITHREADED);
}

ResultCode ComObjectSystem::InitializeSecurity() {
  // Packet privacy and impersonation are what the WMI service asks of its
  // clients; secure references keep its objects from being released by
  // anyone else.
  return CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY,
                              RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_SECURE_REFS, nullptr);
}

ResultCode ComObjectSystem::CreateLocator(Locator** locator) {
  *locator = nullptr;
  IWbemLocator* platform = nullptr;
  const HRESULT result = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_IWbemLocator, reinterpret_cast<void**>(&platform));
  if (result != S_OK) {
    if (platform != nullptr) platform->Release();
    return result;
  }
  return WrapLocator(platform, locator);
}

CountedString ComObjectSystem::AllocString(const WideChar* text) {
  return AsCounted(SysAllocString(AsOleText(text)));
}

CountedString ComObjectSystem::AllocStringLen(const WideChar* text, std::uint32_t length) {
  return AsCounted(SysAllocStringLen(AsOleText(text), length));
}

void ComObjectSystem::FreeString(CountedString text) {
  SysFreeString(AsBstr(text));
}

void ComObjectSystem::ClearValue(Variant* value) {
  ClearVariant(value);
}

}  // namespace hwident
