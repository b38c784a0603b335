#include "platform/scripted/scripted_service_values.h"

namespace hwident {

Variant MakeI2Value(std::int16_t number) {
  Variant value;
  value.type = vt::kI2;
  value.i2 = number;
  return value;
}

Variant MakeR4Value(float number) {
  Variant value;
  value.type = vt::kR4;
  value.r4 = number;
  return value;
}

Variant MakeR8Value(double number) {
  Variant value;
  value.type = vt::kR8;
  value.r8 = number;
  return value;
}

Variant MakeUi1Value(std::uint8_t number) {
  Variant value;
  value.type = vt::kUi1;
  value.ui1 = number;
  return value;
}

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
