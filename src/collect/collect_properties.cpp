#include "collect/collect_properties.h"

#include <string_view>
#include <vector>

#include "collect/normalize_cdrom_device_id.h"
#include "collect/report_lines.h"
#include "collect/service_holders.h"
#include "collect/variant_to_text.h"
#include "text/tokenizer.h"

namespace hwident {
namespace {

constexpr std::string_view kCdromQuery = "Select * from Win32_CDROMDrive";
constexpr std::string_view kCdromToken = "DeviceID";

// Only A to Z fold: the service's names are ASCII, and folding more would
// make the match depend on a locale.
WideChar FoldAscii(WideChar character) {
  return character >= u'a' && character <= u'z' ? static_cast<WideChar>(character - 32) : character;
}

// Both texts are read as C strings, up to their first zero.
bool EqualIgnoringAsciiCase(const WideChar* left, const WideChar* right) {
  if (left == nullptr || right == nullptr) return false;
  for (; FoldAscii(*left) == FoldAscii(*right); ++left, ++right) {
    if (*left == 0) return true;
  }
  return false;
}

CountedString MakeCountedString(ObjectSystem& objects, const NarrowText& text) {
  const WideText wide = NarrowToWide(text);
  return objects.AllocStringLen(wide.data(), static_cast<std::uint32_t>(wide.size()));
}

// One line per token of the list that names this property.
void AppendMatchingLines(ObjectSystem& objects, const NarrowText& query,
                         const NarrowText& propertyList, CountedString name, const Variant& value) {
  CTokenizer tokenizer(propertyList, ",");
  NarrowText token;
  while (tokenizer.NextToken(token)) {
    const StringHolder wideToken(objects, MakeCountedString(objects, token));
    if (!EqualIgnoringAsciiCase(wideToken.get(), name)) continue;
    const std::optional<WideText> valueText = VariantToText(value);
    NarrowText line = valueText ? WideToNarrow(*valueText) : NarrowText{};
    // Byte-exact on purpose: a token written deviceid matches the property
    // but keeps its value as the service gave it.
    if (query == kCdromQuery && token == kCdromToken) NormalizeCdromDeviceId(line);
    g_reportLines.push_back(WideToNarrow(name) + " = " + line);
  }
}

// Walks one object's non-system properties. A failing BeginEnumeration or
// property Next ends only this object's walk.
void CollectFromObject(ObjectSystem& objects, ClassObject& object, const NarrowText& query,
                       const NarrowText& propertyList) {
  const EnumerationEnder ender(object);
  if (object.BeginEnumeration(kNonSystemOnly) != kOk) return;
  for (;;) {
    CountedString name = nullptr;
    Variant value;
    if (object.Next(0, &name, &value) != kOk) return;
    const StringHolder nameHolder(objects, name);
    const ValueHolder valueHolder(objects, value);
    AppendMatchingLines(objects, query, propertyList, name, valueHolder.get());
  }
}

// The names this request can print: its list's tokens, as the matching
// above reads them.
std::vector<WideText> PrintableNames(const NarrowText& propertyList) {
  std::vector<WideText> names;
  CTokenizer tokenizer(propertyList, ",");
  NarrowText token;
  while (tokenizer.NextToken(token)) names.push_back(NarrowToWide(token));
  return names;
}

}  // namespace

bool CollectProperties(const ServiceConnection& connection, const NarrowText& query,
                       const NarrowText& propertyList) {
  ObjectSystem& objects = connection.objects;
  const StringHolder language(objects, objects.AllocString(u"WQL"));
  if (language.get() == nullptr) return true;
  const StringHolder wideQuery(objects, MakeCountedString(objects, query));
  // Running out of memory for the query text ends the request as quietly.
  if (wideQuery.get() == nullptr) return true;

  ReleaseHolder<ObjectEnumerator> enumerator;
  objects.ExpectProperties(PrintableNames(propertyList));
  if (connection.services->ExecQuery(language.get(), wideQuery.get(), 0, enumerator.Receive()) !=
      kOk) {
    return true;
  }
  for (;;) {
    ReleaseHolder<ClassObject> object;
    std::uint32_t returned = 0;
    // Whatever came back is held before the result is looked at, so a
    // service that fails yet hands out an object still gets it back.
    const ResultCode result = enumerator->Next(kWaitInfinite, 1, object.Receive(), &returned);
    if (result != kOk || returned != 1 || object.get() == nullptr) return true;
    CollectFromObject(objects, *object.get(), query, propertyList);
  }
}

}  // namespace hwident
