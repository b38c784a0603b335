#include "platform/linux/provider/sources/system/environment_file.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

namespace hwident {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

bool IsNameChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// The next logical line: physical lines joined where one ends in a
// backslash (the backslash and newline dropped).
std::string NextLine(std::string_view& text) {
  std::string line;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view part = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    while (!part.empty() && IsBlank(part.back())) part.remove_suffix(1);
    if (!part.empty() && part.back() == '\\') {
      part.remove_suffix(1);
      line.append(part);
      continue;
    }
    line.append(part);
    break;
  }
  return line;
}

// Quotes around a value, the module's way: with a quote first, every quote
// but one that is not last goes; anything else stays as it is.
std::string Unquote(const std::string& value) {
  if (value.empty() || (value[0] != '"' && value[0] != '\'')) return value;
  std::string plain;
  for (std::size_t i = 1; i < value.size(); ++i) {
    const bool quote = value[i] == '"' || value[i] == '\'';
    if (!quote || i + 1 < value.size()) plain += value[i];
  }
  return plain;
}

}  // namespace

std::vector<EnvironmentVariable> ParseEnvironmentFile(std::string_view text) {
  // Removed variables stay as holes until the end, so positions hold.
  std::vector<std::optional<EnvironmentVariable>> variables;
  std::unordered_map<std::string, std::size_t> index;
  while (!text.empty()) {
    std::string line = NextLine(text);
    std::size_t start = 0;
    while (start < line.size() && (IsBlank(line[start]))) ++start;
    if (start == line.size() || line[start] == '#') continue;
    if (line.compare(start, 7, "export ") == 0) start += 7;
    std::string entry = line.substr(start, line.find('#', start) - start);
    while (!entry.empty() && IsBlank(entry.back())) entry.pop_back();
    const std::size_t equals = entry.find('=');
    const std::string name = entry.substr(0, equals);
    if (name.empty() || !std::all_of(name.begin(), name.end(), IsNameChar)) continue;
    const auto found = index.find(name);
    if (equals == std::string::npos) {
      if (found != index.end()) {
        variables[found->second].reset();
        index.erase(found);
      }
      continue;
    }
    std::string value = Unquote(entry.substr(equals + 1));
    if (found != index.end()) {
      variables[found->second]->value = std::move(value);
    } else if (variables.size() < kMaxEnvironmentVariables) {
      index.emplace(name, variables.size());
      variables.push_back(EnvironmentVariable{name, std::move(value)});
    }
  }
  std::vector<EnvironmentVariable> kept;
  for (auto& variable : variables) {
    if (variable) kept.push_back(std::move(*variable));
  }
  return kept;
}

const std::vector<EnvironmentVariable>& SystemEnvironment(Machine& machine) {
  return machine.Derived<std::vector<EnvironmentVariable>>("environment", [&machine] {
    const std::optional<std::string>& text = machine.Raw("/etc/environment");
    return text ? ParseEnvironmentFile(*text) : std::vector<EnvironmentVariable>{};
  });
}

}  // namespace hwident
