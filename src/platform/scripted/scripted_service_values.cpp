#include "platform/scripted/scripted_service_values.h"

namespace hwident {

Variant MakeTaggedValue(std::uint16_t type) {
  Variant value;
  value.type = type;
  return value;
}

Variant MakeNullStringValue() {
  Variant value;
  value.type = vt::kBstr;
  value.bstr = nullptr;
  return value;
}

}  // namespace hwident
