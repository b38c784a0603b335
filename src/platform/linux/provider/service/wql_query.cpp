#include "platform/linux/provider/service/wql_query.h"

#include <vector>

namespace hwident {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::vector<std::string_view> SplitAtBlanks(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    const std::size_t start = at;
    while (at < text.size() && !IsBlank(text[at])) ++at;
    if (at > start) words.push_back(text.substr(start, at - start));
  }
  return words;
}

}  // namespace

bool EqualsIgnoringCase(std::string_view left, std::string_view right) {
  if (left.size() != right.size()) return false;
  for (std::size_t i = 0; i < left.size(); ++i) {
    if (Upper(left[i]) != Upper(right[i])) return false;
  }
  return true;
}

std::optional<std::string> ParseSelectAll(std::string_view query) {
  // "select *from X" is valid WQL too; the star is split off so it needs no
  // blanks around it.
  std::string spaced;
  for (char c : query) {
    if (c == '*') {
      spaced += " * ";
    } else {
      spaced += c;
    }
  }
  const std::vector<std::string_view> words = SplitAtBlanks(spaced);
  if (words.size() != 4) return std::nullopt;
  if (!EqualsIgnoringCase(words[0], "select") || words[1] != "*" ||
      !EqualsIgnoringCase(words[2], "from")) {
    return std::nullopt;
  }
  for (char c : words[3]) {
    if (!IsNameCharacter(c)) return std::nullopt;
  }
  return std::string(words[3]);
}

bool IsServedNamespace(std::string_view ns) {
  return EqualsIgnoringCase(ns, "\\\\.\\root\\cimv2");
}

}  // namespace hwident
