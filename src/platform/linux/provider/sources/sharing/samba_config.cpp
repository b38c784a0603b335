#include "platform/linux/provider/sources/sharing/samba_config.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace hwident {
namespace {

bool IsBlankByte(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlankByte(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankByte(text.back())) text.remove_suffix(1);
  return text;
}

char LowerByte(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// A parameter name as Samba compares them: letter case and blanks ignored.
std::string FoldParameter(std::string_view name) {
  std::string folded;
  for (char c : name) {
    if (!IsBlankByte(c)) folded += LowerByte(c);
  }
  return folded;
}

// A section name: blanks at the ends dropped, inner runs made one blank.
std::string SectionName(std::string_view name) {
  std::string text;
  for (char c : TrimBlanks(name)) {
    if (IsBlankByte(c)) {
      if (!text.empty() && text.back() != ' ') text += ' ';
    } else {
      text += c;
    }
  }
  return text;
}

std::string FoldSection(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = LowerByte(c);
  return folded;
}

struct ParseState {
  SambaConfig config;
  std::map<std::string, std::size_t> byName;  // folded section name -> index
  std::size_t current = 0;
  bool inSection = false;
  std::vector<std::string> reading;  // the include chain, outermost first
  int includes = 0;
  std::size_t bytes = 0;
};

void OpenSection(ParseState& state, const std::string& name) {
  const auto [found, added] = state.byName.emplace(FoldSection(name), state.config.sections.size());
  if (added) state.config.sections.push_back(SambaSection{name, {}});
  state.current = found->second;
  state.inSection = true;
}

void ParseFile(const std::string& path, ParseState& state, const SambaFileReader& read);

void ParseLine(std::string_view line, ParseState& state, const SambaFileReader& read) {
  line = TrimBlanks(line);
  if (line.empty()) return;
  if (line.front() == '[') {
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) return;
    const std::string name = SectionName(line.substr(1, close - 1));
    if (!name.empty()) OpenSection(state, name);
    return;
  }
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return;
  const std::string key = FoldParameter(line.substr(0, equals));
  if (key.empty()) return;
  const std::string value(TrimBlanks(line.substr(equals + 1)));
  if (key == "include") {
    // The file counts as if written in place, in whatever section is open.
    if (state.includes >= kMaxSambaIncludes || value.empty() || value.front() != '/') return;
    ++state.includes;
    ParseFile(value, state, read);
    return;
  }
  // Parameters before the first section are global ones.
  if (!state.inSection) OpenSection(state, "global");
  state.config.sections[state.current].parameters.emplace_back(key, value);
}

void ParseText(std::string_view text, ParseState& state, const SambaFileReader& read) {
  std::string joined;
  bool continuing = false;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!continuing) {
      const std::string_view start = TrimBlanks(line);
      // A comment ends with its line, backslash or not.
      if (!start.empty() && (start.front() == '#' || start.front() == ';')) continue;
      joined.clear();
    } else {
      // The next line goes on where the backslash stood, its indent dropped.
      while (!line.empty() && IsBlankByte(line.front())) line.remove_prefix(1);
    }
    continuing = !line.empty() && line.back() == '\\';
    if (continuing) line.remove_suffix(1);
    joined.append(line);
    if (!continuing) ParseLine(joined, state, read);
  }
  if (continuing) ParseLine(joined, state, read);
}

void ParseFile(const std::string& path, ParseState& state, const SambaFileReader& read) {
  if (state.reading.size() >= static_cast<std::size_t>(kMaxSambaIncludeDepth)) return;
  if (std::find(state.reading.begin(), state.reading.end(), path) != state.reading.end()) return;
  const std::optional<std::string> text = read(path);
  if (!text || text->size() > kMaxSambaConfigBytes - state.bytes) return;
  state.bytes += text->size();
  state.reading.push_back(path);
  ParseText(*text, state, read);
  state.reading.pop_back();
}

}  // namespace

std::optional<SambaConfig> ParseSambaConfig(const std::string& path, const SambaFileReader& read) {
  ParseState state;
  const std::optional<std::string> text = read(path);
  if (!text || text->size() > kMaxSambaConfigBytes) return std::nullopt;
  state.bytes = text->size();
  state.reading.push_back(path);
  ParseText(*text, state, read);
  return std::move(state.config);
}

const std::optional<SambaConfig>& MachineSambaConfig(Machine& machine) {
  return machine.Derived<std::optional<SambaConfig>>("samba config", [&machine] {
    return ParseSambaConfig("/etc/samba/smb.conf",
                            [&machine](const std::string& path) { return machine.Raw(path); });
  });
}

const SambaSection* FindSambaSection(const SambaConfig& config, std::string_view name) {
  const std::string folded = FoldSection(name);
  for (const SambaSection& section : config.sections) {
    if (FoldSection(section.name) == folded) return &section;
  }
  return nullptr;
}

std::optional<std::string> SambaParameter(const SambaSection& section, std::string_view name) {
  const std::string folded = FoldParameter(name);
  std::optional<std::string> value;
  for (const auto& [key, text] : section.parameters) {
    if (key == folded) value = text;
  }
  return value;
}

std::optional<bool> SambaBoolean(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = LowerByte(c);
  if (folded == "yes" || folded == "true" || folded == "1") return true;
  if (folded == "no" || folded == "false" || folded == "0") return false;
  return std::nullopt;
}

}  // namespace hwident
