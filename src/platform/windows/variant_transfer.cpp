#include "platform/windows/variant_transfer.h"

#include <oleauto.h>

#include <cstring>

namespace hwident {
namespace {

static_assert(sizeof(Variant::bits) == sizeof(LONGLONG));

// Payloads wider than eight bytes cannot cross the seam. The service does not
// deliver them; should one come, it is released at once and crosses as empty.
bool FitsTheSeam(VARTYPE type) {
  const VARTYPE base = type & VT_TYPEMASK;
  return base != VT_DECIMAL && base != VT_RECORD;
}

}  // namespace

Variant TakeVariant(VARIANT* source) {
  Variant value;
  if (!FitsTheSeam(V_VT(source))) {
    VariantClear(source);
    return value;
  }
  value.type = V_VT(source);
  // One copy of the payload bytes moves a number, a BSTR, a SAFEARRAY or an
  // object pointer alike (on 32-bit the pointer fills the low four bytes).
  std::memcpy(&value.bits, &source->llVal, sizeof(value.bits));
  VariantInit(source);
  return value;
}

void ClearVariant(Variant* value) {
  VARIANT platform;
  VariantInit(&platform);
  V_VT(&platform) = value->type;
  std::memcpy(&platform.llVal, &value->bits, sizeof(value->bits));
  VariantClear(&platform);
  *value = Variant{};
}

}  // namespace hwident
