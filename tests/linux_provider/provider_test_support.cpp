#include "provider_test_support.h"

#include <cstdio>
#include <fstream>

#include "platform/heap/heap_values.h"
#include "platform/linux/provider/firmware_text.h"

namespace hwident::test {
namespace {

std::u16string Wide(const std::string& text) {
  return std::u16string(text.begin(), text.end());
}

std::string Utf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string Format(const char* format, auto... values) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, values...);
  return buffer;
}

}  // namespace

std::string FixtureDirectory(const std::string& machine) {
  return std::string(HWIDENT_FIXTURES_DIR) + "/" + machine;
}

FixedLiveFacts FixtureLiveFacts(const std::string& machine) {
  FixedLiveFacts facts;
  std::ifstream in(FixtureDirectory(machine) + "/live.txt");
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t equals = line.find('=');
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (key == "arch") facts.arch = value;
    if (key == "now") {
      const std::size_t dot = value.find('.');
      std::string micro = dot == std::string::npos ? "" : value.substr(dot + 1);
      micro.resize(6, '0');
      facts.nowMicroseconds = std::stoll(value.substr(0, dot)) * 1000000 + std::stoll(micro);
    }
    if (key == "offset") facts.offsetMinutes = std::stoi(value);
    if (key == "dst") facts.dst = value == "1";
    if (key == "install") facts.install = std::stoll(value);
  }
  return facts;
}

FixtureProvider MakeFixtureProvider(const std::string& machine, bool asRoot) {
  FixtureProvider provider;
  provider.live = std::make_shared<FixedLiveFacts>(FixtureLiveFacts(machine));
  provider.live->root = asRoot;
  provider.reader =
      std::make_shared<RootedSourceReader>(FixtureDirectory(machine) + "/root", asRoot);
  provider.system = std::make_unique<NativeObjectSystem>(provider.reader, provider.live);
  return provider;
}

std::string RenderValue(const Variant& value) {
  switch (value.type) {
    case vt::kNull:
      return "<null>";
    case vt::kI2:
      return Format("%hu (0x%hX)", static_cast<unsigned short>(value.i2),
                    static_cast<unsigned short>(value.i2));
    case vt::kI4:
      return Format("%d (0x%X)", value.i4, static_cast<unsigned>(value.i4));
    case vt::kBstr:
      return "\"" + Utf8(std::u16string_view(value.bstr, HeapStringLength(value.bstr))) + "\"";
    case vt::kBool:
      return value.boolean != 0 ? "TRUE" : "FALSE";
    case vt::kUi1:
      return value.ui1 < 32 ? Format("%hu (0x%hX)", value.ui1, value.ui1)
                            : Format("'%c' (%hu, 0x%hX)", value.ui1, value.ui1, value.ui1);
    case vt::kArray | vt::kI4: {
      // The report prints nothing for arrays; tests see the elements.
      std::string text = "{";
      for (const Variant& element : static_cast<HeapArray*>(value.array)->elements) {
        text += (text.size() > 1 ? "," : "") + std::to_string(element.i4);
      }
      return text + "}";
    }
    default:
      return "<type " + std::to_string(value.type) + ">";
  }
}

int RunQuery(ObjectSystem& system, const std::string& query,
             std::vector<std::vector<SeenProperty>>* objects) {
  Locator* locator = nullptr;
  if (system.CreateLocator(&locator) != 0) return -1;
  CountedString ns = system.AllocString(u"\\\\.\\root\\cimv2");
  Services* services = nullptr;
  const int connected = locator->ConnectServer(ns, 0, &services);
  system.FreeString(ns);
  locator->Release();
  if (connected != 0) return connected;
  CountedString language = system.AllocString(u"WQL");
  const std::u16string wideQuery = Wide(query);
  CountedString text = system.AllocStringLen(wideQuery.data(), wideQuery.size());
  ObjectEnumerator* enumerator = nullptr;
  const int result = services->ExecQuery(language, text, 0, &enumerator);
  system.FreeString(language);
  system.FreeString(text);
  if (result == 0) {
    ClassObject* object = nullptr;
    std::uint32_t returned = 0;
    while (enumerator->Next(-1, 1, &object, &returned) == 0 && returned == 1) {
      std::vector<SeenProperty> properties;
      object->BeginEnumeration(0x40);
      CountedString name = nullptr;
      Variant value;
      while (object->Next(0, &name, &value) == 0) {
        properties.push_back({Utf8(std::u16string_view(name, HeapStringLength(name))), value.type,
                              RenderValue(value)});
        system.FreeString(name);
        system.ClearValue(&value);
      }
      object->EndEnumeration();
      object->Release();
      objects->push_back(std::move(properties));
    }
    enumerator->Release();
  }
  services->Release();
  return result;
}

std::string ValueOf(const std::vector<std::vector<SeenProperty>>& objects, const std::string& name,
                    std::size_t object) {
  if (object >= objects.size()) return "";
  for (const SeenProperty& property : objects[object]) {
    if (property.name == name) return property.text;
  }
  return "";
}

}  // namespace hwident::test
