#include "provider_test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "collect/variant_to_text.h"
#include "platform/heap/heap_values.h"

namespace hwident::test {
namespace {

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
    // space=MOUNTPOINT SIZE AVAILABLE: what statvfs would say, in bytes.
    if (key == "space") {
      const std::size_t last = value.rfind(' ');
      const std::size_t middle = value.rfind(' ', last - 1);
      facts.spaces[value.substr(0, middle)] = {
          std::stoull(value.substr(middle + 1, last - middle - 1)),
          std::stoull(value.substr(last + 1))};
    }
    // statfs=MOUNTPOINT BLOCKSIZE NAMEMAX: statvfs's allotment unit and
    // longest name, for a mount point a space line named before.
    if (key == "statfs") {
      const std::size_t last = value.rfind(' ');
      const std::size_t middle = value.rfind(' ', last - 1);
      const auto space = facts.spaces.find(value.substr(0, middle));
      if (space != facts.spaces.end()) {
        space->second.blockSize = std::stoull(value.substr(middle + 1, last - middle - 1));
        space->second.nameMax = std::stoull(value.substr(last + 1));
      }
    }
    // address=INTERFACE ADDRESS/PREFIX: one getifaddrs entry.
    if (key == "address") {
      std::istringstream fields(value);
      std::string name, address;
      fields >> name >> address;
      const std::size_t slash = address.find('/');
      facts.addresses.push_back({name, address.substr(0, slash),
                                 std::stoi(address.substr(slash + 1)),
                                 address.find(':') != std::string::npos});
    }
  }
  return facts;
}

std::string Narrow(CountedString text) {
  return WideToNarrow(std::u16string_view(text, HeapStringLength(text)));
}

}  // namespace

std::string FixtureDirectory(const std::string& machine) {
  return std::string(HWIDENT_FIXTURES_DIR) + "/" + machine;
}

FixtureProvider MakeFixtureProvider(const std::string& machine, bool asRoot) {
  auto live = std::make_shared<FixedLiveFacts>(FixtureLiveFacts(machine));
  live->root = asRoot;
  auto reader = std::make_shared<RootedSourceReader>(FixtureDirectory(machine) + "/root", asRoot);
  reader->RecordOpened();
  // What the kernel refuses an ordinary user on this machine whatever the
  // mode bits say, one machine path a line.
  std::vector<std::string> withheld;
  std::ifstream in(FixtureDirectory(machine) + "/withheld.txt");
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) withheld.push_back(line);
  }
  reader->Withhold(std::move(withheld));
  return {reader, std::make_unique<NativeObjectSystem>(reader, live)};
}

int Connect(ObjectSystem& system, Services** services, std::u16string_view ns) {
  Locator* locator = nullptr;
  if (system.CreateLocator(&locator) != 0) return -1;
  CountedString text = system.AllocStringLen(ns.data(), ns.size());
  const int result = locator->ConnectServer(text, 0, services);
  system.FreeString(text);
  locator->Release();
  EXPECT_EQ(result == 0, *services != nullptr);
  return result;
}

std::string RenderValue(const Variant& value) {
  if ((value.type & vt::kArray) != 0) {
    const auto* array = static_cast<HeapArray*>(value.array);
    if (array->elementType != (value.type & ~vt::kArray)) return "<array tag mismatch>";
    std::string text;
    for (const Variant& element : array->elements) {
      text += (text.empty() ? "" : ",") + RenderValue(element);
    }
    return "{" + text + "}";
  }
  const std::optional<WideText> text = VariantToText(value);
  return text ? WideToNarrow(*text) : "<no text>";
}

int RunQuery(ObjectSystem& system, const std::string& query, Objects* objects,
             std::u16string_view language) {
  Services* services = nullptr;
  const int connected = Connect(system, &services);
  if (connected != 0) return connected;
  CountedString languageText = system.AllocStringLen(language.data(), language.size());
  const WideText wideQuery = NarrowToWide(query);
  CountedString text = system.AllocStringLen(wideQuery.data(), wideQuery.size());
  ObjectEnumerator* enumerator = nullptr;
  const int result = services->ExecQuery(languageText, text, 0, &enumerator);
  system.FreeString(languageText);
  system.FreeString(text);
  EXPECT_EQ(result == 0, enumerator != nullptr) << query;
  if (result == 0) {
    ClassObject* object = nullptr;
    std::uint32_t returned = 0;
    int next = 0;
    while ((next = enumerator->Next(-1, 1, &object, &returned)) == 0 && returned == 1) {
      std::vector<SeenProperty> properties;
      CountedString name = nullptr;
      Variant value;
      // An object hands out nothing before BeginEnumeration.
      EXPECT_NE(object->Next(0, &name, &value), 0) << query;
      object->BeginEnumeration(0x40);
      while (object->Next(0, &name, &value) == 0) {
        properties.push_back({Narrow(name), value.type, RenderValue(value)});
        system.FreeString(name);
        system.ClearValue(&value);
      }
      object->EndEnumeration();
      object->Release();
      objects->push_back(std::move(properties));
    }
    // The end of the objects is "fewer than asked for", not a failure.
    EXPECT_EQ(next, 1) << query;
    EXPECT_EQ(returned, 0u) << query;
    enumerator->Release();
  }
  services->Release();
  return result;
}

Objects Query(ObjectSystem& system, const std::string& className) {
  Objects objects;
  EXPECT_EQ(RunQuery(system, "select * from " + className, &objects), 0) << className;
  return objects;
}

std::string ValueOf(const Objects& objects, const std::string& name, std::size_t object) {
  if (object >= objects.size()) return "";
  for (const SeenProperty& property : objects[object]) {
    if (property.name == name) return property.text;
  }
  return "";
}

}  // namespace hwident::test
