#pragma once

#include "platform/management_service.h"

namespace hwident {

// The object system over COM and the platform's WMI service: apartment and
// security set-up, the WMI locator, BSTRs and VARIANT clearing. The locator,
// connection, enumerator and object it hands out wrap the real interfaces.
class ComObjectSystem final : public ObjectSystem {
 public:
  ResultCode InitializeApartment() override;
  ResultCode InitializeSecurity() override;
  ResultCode CreateLocator(Locator** locator) override;

  CountedString AllocString(const WideChar* text) override;
  CountedString AllocStringLen(const WideChar* text, std::uint32_t length) override;
  void FreeString(CountedString text) override;
  void ClearValue(Variant* value) override;
};

}  // namespace hwident
