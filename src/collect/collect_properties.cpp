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

// Which tokens of the list name each property, remembered by the
// property's place in an object's walk: the objects of one query hand out
// the same names in the same order, so a name is matched against the list
// once per query instead of once per object (every property of thousands of
// objects would otherwise cost properties x tokens comparisons per object).
// A name unlike the one remembered at its place is matched afresh.
class TokenMatches {
 public:
  explicit TokenMatches(const ListTokens& tokens) : tokens_(tokens) {}

  // The tokens naming the property at this place, and its name as the
  // report prints it.
  struct Match {
    NarrowText name;
    std::vector<std::size_t> tokens;
  };

  const Match& For(std::size_t place, CountedString name) {
    if (place >= places_.size()) places_.resize(place + 1);
    Remembered& remembered = places_[place];
    if (remembered.known && remembered.named == (name != nullptr) &&
        (name == nullptr || SameName(remembered.name, name))) {
      return remembered.match;
    }
    // Names are read as C strings, up to their first zero.
    const std::u16string_view text =
        name == nullptr ? std::u16string_view() : std::u16string_view(name);
    remembered.known = true;
    remembered.named = name != nullptr;
    remembered.name.assign(text);
    remembered.match.name = WideToNarrow(text);
    remembered.match.tokens.clear();
    for (std::size_t i = 0; i < tokens_.size(); ++i) {
      if (EqualIgnoringAsciiCase(tokens_.wide(i), name)) remembered.match.tokens.push_back(i);
    }
    return remembered.match;
  }

 private:
  // Whether the C string name is the remembered one: read one character at
  // a time, so a shorter name stops at its zero, which no remembered name
  // holds.
  static bool SameName(const WideText& remembered, const WideChar* name) {
    for (const WideChar character : remembered) {
      if (*name++ != character) return false;
    }
    return *name == 0;
  }

  struct Remembered {
    bool known = false;
    bool named = false;
    WideText name;
    Match match;
  };
  const ListTokens& tokens_;
  std::vector<Remembered> places_;
};

// One line per token of the list that names this property; the value is
// made text once, however many tokens name it.
void AppendMatchingLines(const NarrowText& query, const ListTokens& tokens,
                         const TokenMatches::Match& match, const Variant& value) {
  if (match.tokens.empty()) return;
  const std::optional<WideText> valueText = VariantToText(value);
  const NarrowText text = valueText ? WideToNarrow(*valueText) : NarrowText{};
  for (const std::size_t i : match.tokens) {
    NarrowText line;
    line.reserve(match.name.size() + 3 + text.size());
    line += match.name;
    line += " = ";
    // Byte-exact on purpose: a token written deviceid matches the property
    // but keeps its value as the service gave it.
    if (query == kCdromQuery && tokens.narrow(i) == kCdromToken) {
      NarrowText normalized = text;
      NormalizeCdromDeviceId(normalized);
      line += normalized;
    } else {
      line += text;
    }
    g_reportLines.push_back(std::move(line));
  }
}

// Walks one object's non-system properties. A failing BeginEnumeration or
// property Next ends only this object's walk.
void CollectFromObject(ObjectSystem& objects, ClassObject& object, const NarrowText& query,
                       const ListTokens& tokens, TokenMatches& matches) {
  const EnumerationEnder ender(object);
  if (object.BeginEnumeration(kNonSystemOnly) != kOk) return;
  for (std::size_t place = 0;; ++place) {
    CountedString name = nullptr;
    Variant value;
    if (object.Next(0, &name, &value) != kOk) return;
    const StringHolder nameHolder(objects, name);
    const ValueHolder valueHolder(objects, value);
    AppendMatchingLines(query, tokens, matches.For(place, name), valueHolder.get());
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
  TokenMatches matches(tokens);
  for (;;) {
    ReleaseHolder<ClassObject> object;
    std::uint32_t returned = 0;
    // Whatever came back is held before the result is looked at, so a
    // service that fails yet hands out an object still gets it back.
    const ResultCode result = enumerator->Next(kWaitInfinite, 1, object.Receive(), &returned);
    if (result != kOk || returned != 1 || object.get() == nullptr) return true;
    CollectFromObject(objects, *object.get(), query, tokens, matches);
  }
}

}  // namespace hwident
