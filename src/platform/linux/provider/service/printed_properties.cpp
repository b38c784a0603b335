#include "platform/linux/provider/service/printed_properties.h"

#include <algorithm>

namespace hwident {
namespace {

std::u16string Folded(std::u16string_view name) {
  std::u16string folded(name.substr(0, name.find(u'\0')));
  for (char16_t& c : folded) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return folded;
}

}  // namespace

PrintedProperties::PrintedProperties(const std::vector<std::u16string>& names)
    : folded_(std::vector<std::u16string>{}) {
  for (const std::u16string& name : names) folded_->push_back(Folded(name));
}

bool PrintedProperties::Includes(std::u16string_view property) const {
  if (!folded_) return true;
  const std::u16string folded = Folded(property);
  return std::find(folded_->begin(), folded_->end(), folded) != folded_->end();
}

}  // namespace hwident
