#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hwident {

// The properties a query's caller said it will print. The provider computes
// those and hands out every other property by name with a null value, so a
// run pays only for what it prints. A query nobody announced computes
// everything.
class PrintedProperties {
 public:
  // Everything.
  PrintedProperties() = default;
  // Exactly these names, matched as the core matches them: A to Z folded,
  // up to a first zero.
  explicit PrintedProperties(const std::vector<std::u16string>& names);

  bool Includes(std::u16string_view property) const;

 private:
  std::optional<std::vector<std::u16string>> folded_;
};

// Carries the announcement from the object system to the next query of any
// of its connections, and to that query alone.
class PropertyAnnouncements {
 public:
  void Announce(const std::vector<std::u16string>& names) { next_ = PrintedProperties(names); }
  PrintedProperties TakeForQuery() {
    PrintedProperties taken = std::move(next_);
    next_ = PrintedProperties();
    return taken;
  }

 private:
  PrintedProperties next_;
};

}  // namespace hwident
