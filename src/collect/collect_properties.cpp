#include "collect/collect_properties.h"

#include <deque>
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

// The request's property list, split once: each token beside its wide
// text, made once for the whole request rather than once for every
// property of every object met (a class of many objects and properties
// would otherwise pay objects x properties x tokens conversions). A token
// whose wide text could not be made matches nothing.
class ListTokens {
 public:
  ListTokens(ObjectSystem& objects, const NarrowText& propertyList) {
    CTokenizer tokenizer(propertyList, ",");
    NarrowText token;
    while (tokenizer.NextToken(token)) {
      wide_.emplace_back(objects, MakeCountedString(objects, token));
      narrow_.push_back(token);
    }
  }

  std::size_t size() const { return narrow_.size(); }
  const NarrowText& narrow(std::size_t i) const { return narrow_[i]; }
  CountedString wide(std::size_t i) const { return wide_[i].get(); }

  // The names this request can print, as the matching below reads them.
  std::vector<WideText> Names() const {
    std::vector<WideText> names;
    for (const NarrowText& token : narrow_) names.push_back(NarrowToWide(token));
    return names;
  }

 private:
  std::vector<NarrowText> narrow_;
  std::deque<StringHolder> wide_;
};

// One line per token of the list that names this property.
void AppendMatchingLines(const NarrowText& query, const ListTokens& tokens, CountedString name,
                         const Variant& value) {
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (!EqualIgnoringAsciiCase(tokens.wide(i), name)) continue;
    const std::optional<WideText> valueText = VariantToText(value);
    NarrowText line = valueText ? WideToNarrow(*valueText) : NarrowText{};
    // Byte-exact on purpose: a token written deviceid matches the property
    // but keeps its value as the service gave it.
    if (query == kCdromQuery && tokens.narrow(i) == kCdromToken) NormalizeCdromDeviceId(line);
    g_reportLines.push_back(WideToNarrow(name) + " = " + line);
  }
}

// Walks one object's non-system properties. A failing BeginEnumeration or
// property Next ends only this object's walk.
void CollectFromObject(ObjectSystem& objects, ClassObject& object, const NarrowText& query,
                       const ListTokens& tokens) {
  const EnumerationEnder ender(object);
  if (object.BeginEnumeration(kNonSystemOnly) != kOk) return;
  for (;;) {
    CountedString name = nullptr;
    Variant value;
    if (object.Next(0, &name, &value) != kOk) return;
    const StringHolder nameHolder(objects, name);
    const ValueHolder valueHolder(objects, value);
    AppendMatchingLines(query, tokens, name, valueHolder.get());
  }
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

  const ListTokens tokens(objects, propertyList);
  ReleaseHolder<ObjectEnumerator> enumerator;
  objects.ExpectProperties(tokens.Names());
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
    CollectFromObject(objects, *object.get(), query, tokens);
  }
}

}  // namespace hwident
