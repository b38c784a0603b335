#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/provider/machine/live_facts.h"
#include "platform/linux/provider/machine/source_reader.h"
#include "platform/linux/provider/service/native_object_system.h"
#include "platform/variant.h"

namespace hwident::test {

// Live facts fixed by a test or read from a fixture's live.txt.
struct FixedLiveFacts final : LiveFacts {
  bool root = true;
  std::string arch = "x86_64";
  std::int64_t nowMicroseconds = 1700000000LL * 1000000;
  int offsetMinutes = 0;
  bool dst = false;
  std::optional<std::int64_t> install;
  std::map<std::string, FileSystemSpace> spaces;
  std::vector<InterfaceAddress> addresses;

  bool IsRoot() const override { return root; }
  std::string Architecture() const override { return arch; }
  std::int64_t NowMicroseconds() const override { return nowMicroseconds; }
  int UtcOffsetMinutes(std::int64_t) const override { return offsetMinutes; }
  bool DaylightSaving(std::int64_t) const override { return dst; }
  std::optional<std::int64_t> InstallTime() const override { return install; }
  // No time passes in a test; a test that needs the machine to change
  // meanwhile says how.
  void Pause(int) const override {
    if (onPause) onPause();
  }
  std::function<void()> onPause;
  std::optional<FileSystemSpace> Space(const std::string& mountPoint) const override {
    const auto found = spaces.find(mountPoint);
    if (found == spaces.end()) return std::nullopt;
    return found->second;
  }
  std::vector<InterfaceAddress> Addresses() const override { return addresses; }
};

inline const char* const kMachines[] = {"desktop",      "server",      "vm",
                                        "raspberrypi",  "container",   "laptop",
                                        "arm64-server", "old-desktop", "old-server"};

std::string FixtureDirectory(const std::string& machine);

// A provider over a fixture tree, with the reader kept for inspection.
struct FixtureProvider {
  std::shared_ptr<RootedSourceReader> reader;
  std::unique_ptr<NativeObjectSystem> system;
};
FixtureProvider MakeFixtureProvider(const std::string& machine, bool asRoot = true);

// Connects as the core does; the result is ConnectServer's code.
int Connect(ObjectSystem& system, Services** services,
            std::u16string_view ns = u"\\\\.\\root\\cimv2");

// One property as an object handed it out.
struct SeenProperty {
  std::string name;
  std::uint16_t type;
  std::string text;  // rendered as the report renders it
};
using Objects = std::vector<std::vector<SeenProperty>>;

// Runs "connect, query, walk every object" through the seam; result is the
// ExecQuery code. Every name and value is freed as a caller would.
int RunQuery(ObjectSystem& system, const std::string& query, Objects* objects,
             std::u16string_view language = u"WQL");

// "select * from CLASS", which must succeed.
Objects Query(ObjectSystem& system, const std::string& className);

// The value as the report prints it right of " = "; arrays, which the
// report leaves blank, as their elements between braces.
std::string RenderValue(const Variant& value);

// The property's value text in one object; "" when absent.
std::string ValueOf(const Objects& objects, const std::string& name, std::size_t object = 0);

}  // namespace hwident::test
