#include "platform/linux/provider/sources/services/unit_file.h"

#include <cctype>

namespace hwident {
namespace {

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

void Assign(std::string_view section, std::string_view key, std::string_view value,
            ServiceSettings& s) {
  const std::string text(value);
  if (section == "Unit") {
    if (key == "Description") s.description = text;
    if (key == "RefuseManualStop") s.refuseManualStop = text;
  } else if (section == "Service") {
    if (key == "ExecStart") {
      if (text.empty()) {
        s.execStart.clear();
      } else {
        s.execStart.push_back(text);
      }
    }
    if (key == "User") s.user = text;
    if (key == "DynamicUser") s.dynamicUser = text;
    if (key == "Slice") s.slice = text;
  }
}

// The unit name's parts: prefix ("getty"), instance ("tty1") and suffix.
struct NameParts {
  std::string_view full;
  std::string_view withoutSuffix;
  std::string_view prefix;
  std::string_view instance;
};

NameParts Parts(std::string_view name) {
  NameParts parts{name, name, name, {}};
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) parts.withoutSuffix = name.substr(0, dot);
  const std::size_t at = parts.withoutSuffix.find('@');
  parts.prefix = parts.withoutSuffix.substr(0, at);
  if (at != std::string_view::npos) parts.instance = parts.withoutSuffix.substr(at + 1);
  return parts;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Undoes the escaping unit names use: '-' stands for '/', \xNN for a byte.
std::string Unescaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '-') {
      out += '/';
    } else if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
               HexValue(text[i + 2]) >= 0 && HexValue(text[i + 3]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 2]) * 16 + HexValue(text[i + 3]));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

void ApplyUnitFile(std::string_view text, ServiceSettings& settings) {
  std::string section;
  std::string logical;
  bool tooLong = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view raw = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    std::string_view line = Trimmed(raw);
    // Comment lines inside a continued line are dropped and the line goes on.
    if (!line.empty() && (line.front() == '#' || line.front() == ';')) continue;
    const bool continues = !line.empty() && line.back() == '\\';
    if (continues) line.remove_suffix(1);
    if (logical.size() + line.size() + 1 > kMaxUnitLineBytes) tooLong = true;
    if (!tooLong) {
      if (!logical.empty()) logical += ' ';
      logical.append(line);
    }
    if (continues && !text.empty()) continue;
    const std::string whole = std::move(logical);
    logical.clear();
    if (tooLong) {
      tooLong = false;
      continue;
    }
    const std::string_view entry = Trimmed(whole);
    if (entry.empty()) continue;
    if (entry.front() == '[') {
      const std::size_t close = entry.find(']');
      section = close == std::string_view::npos ? "" : std::string(entry.substr(1, close - 1));
      continue;
    }
    const std::size_t equals = entry.find('=');
    if (equals == std::string_view::npos) continue;
    Assign(section, Trimmed(entry.substr(0, equals)), Trimmed(entry.substr(equals + 1)), settings);
  }
}

std::optional<bool> UnitBoolean(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "1" || lower == "yes" || lower == "y" || lower == "true" || lower == "t" ||
      lower == "on") {
    return true;
  }
  if (lower == "0" || lower == "no" || lower == "n" || lower == "false" || lower == "f" ||
      lower == "off") {
    return false;
  }
  return std::nullopt;
}

std::string ExecCommand(std::string_view line) {
  bool renamed = false;
  while (!line.empty() && (line.front() == '@' || line.front() == '-' || line.front() == ':' ||
                           line.front() == '+' || line.front() == '!')) {
    if (line.front() == '@') renamed = true;
    line.remove_prefix(1);
  }
  line = Trimmed(line);
  if (!renamed) return std::string(line);
  // "@/usr/bin/prog name args": the program, then its arguments after name.
  const std::size_t first = line.find_first_of(" \t");
  if (first == std::string_view::npos) return std::string(line);
  std::string_view rest = Trimmed(line.substr(first));
  const std::size_t second = rest.find_first_of(" \t");
  rest = second == std::string_view::npos ? std::string_view() : Trimmed(rest.substr(second));
  std::string command(line.substr(0, first));
  if (!rest.empty()) command += " " + std::string(rest);
  return command;
}

std::string ExpandSpecifiers(std::string_view text, std::string_view name) {
  const NameParts parts = Parts(name);
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char code = text[++i];
    switch (code) {
      case 'n':
        out.append(parts.full);
        break;
      case 'N':
        out.append(parts.withoutSuffix);
        break;
      case 'p':
        out.append(parts.prefix);
        break;
      case 'P':
        out += Unescaped(parts.prefix);
        break;
      case 'i':
        out.append(parts.instance);
        break;
      case 'I':
        out += Unescaped(parts.instance);
        break;
      case 'f':
        out += "/" + Unescaped(parts.instance.empty() ? parts.prefix : parts.instance);
        break;
      case '%':
        out += '%';
        break;
      default:
        out += '%';
        out += code;
    }
  }
  return out;
}

std::optional<std::string> SlicePath(std::string_view slice) {
  constexpr std::string_view kSuffix = ".slice";
  if (slice.size() <= kSuffix.size() || slice.substr(slice.size() - kSuffix.size()) != kSuffix) {
    return std::nullopt;
  }
  const std::string_view stem = slice.substr(0, slice.size() - kSuffix.size());
  if (stem == "-") return std::string();
  if (stem.front() == '-' || stem.back() == '-' || stem.find("--") != std::string_view::npos ||
      stem.find('/') != std::string_view::npos) {
    return std::nullopt;
  }
  // Each dash-separated prefix is a slice of its own, nested in the one before.
  std::string path;
  for (std::size_t dash = 0; dash != std::string_view::npos;) {
    dash = stem.find('-', dash == 0 && path.empty() ? 0 : dash + 1);
    const std::string_view part = stem.substr(0, dash);
    if (!path.empty()) path += '/';
    path.append(part);
    path.append(kSuffix);
  }
  return path;
}

}  // namespace hwident
