#include <gtest/gtest.h>

#include <string>

// windows_api.h before oleauto.h, which needs the base types.
#include "platform/windows/windows_api.h"

#include <oleauto.h>

#include "platform/wide_text.h"
#include "platform/windows/variant_transfer.h"

namespace hwident {
namespace {

TEST(AnsiCodePage, ConvertsBothWaysAndStopsWideTextAtZero) {
  EXPECT_EQ(NarrowToWide(""), u"");
  EXPECT_EQ(NarrowToWide("Win32_BIOS;Name"), u"Win32_BIOS;Name");
  EXPECT_EQ(WideToNarrow(u"Model"), "Model");
  EXPECT_EQ(WideToNarrow(std::u16string_view(u"ab\0cd", 5)), "ab");
  EXPECT_EQ(WideToNarrow(std::u16string_view(u"\0x", 2)), "");
  if (GetACP() == 1252) {
    EXPECT_EQ(NarrowToWide("caf\xe9 \x80"), u"caf\u00e9 \u20ac");
    EXPECT_EQ(WideToNarrow(u"caf\u00e9 \u20ac"), "caf\xe9 \x80");
  }
}

TEST(VariantTransfer, OwnedPayloadsMoveAndClearOnce) {
  VARIANT platform;
  VariantInit(&platform);
  V_VT(&platform) = VT_BSTR;
  V_BSTR(&platform) = SysAllocString(L"Wine");
  const BSTR text = V_BSTR(&platform);
  Variant value = TakeVariant(&platform);
  EXPECT_EQ(value.type, vt::kBstr);
  EXPECT_EQ(reinterpret_cast<BSTR>(value.bstr), text);
  EXPECT_EQ(V_VT(&platform), VT_EMPTY);  // the VARIANT owns nothing now
  ClearVariant(&value);
  EXPECT_EQ(value.type, vt::kEmpty);
  EXPECT_EQ(value.bits, 0);

  SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, 2);
  ASSERT_NE(array, nullptr);
  V_VT(&platform) = VT_ARRAY | VT_I4;
  V_ARRAY(&platform) = array;
  value = TakeVariant(&platform);
  EXPECT_EQ(value.type, vt::kArray | vt::kI4);
  EXPECT_EQ(value.array, array);
  ClearVariant(&value);
  EXPECT_EQ(value.type, vt::kEmpty);
}

// A payload wider than eight bytes cannot cross; it is released at once.
TEST(VariantTransfer, WidePayloadsCrossEmpty) {
  VARIANT platform;
  VariantInit(&platform);
  V_VT(&platform) = VT_DECIMAL;
  const Variant value = TakeVariant(&platform);
  EXPECT_EQ(value.type, vt::kEmpty);
  EXPECT_EQ(V_VT(&platform), VT_EMPTY);
}

}  // namespace
}  // namespace hwident
