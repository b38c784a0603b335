#pragma once

// An in-memory machine built from a fuzz input, shared by the targets that
// run the native provider.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/heap/heap_values.h"
#include "platform/linux/provider/machine/live_facts.h"
#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/machine/memory_source_reader.h"
#include "platform/linux/provider/service/class_schema.h"
#include "platform/linux/provider/values/cim_value.h"

namespace hwident::fuzz {

// Live facts picked by one byte: the architecture (two low bits), whether
// the run is root (the next bit) and the offset from UTC (the high bits, in
// hours either side).
class PickedLiveFacts final : public LiveFacts {
 public:
  explicit PickedLiveFacts(std::uint8_t pick) : pick_(pick) {}

  bool IsRoot() const override { return (pick_ & 4) != 0; }
  std::string Architecture() const override {
    static const char* const kArchitectures[] = {"x86_64", "aarch64", "i686", "armv7l"};
    return kArchitectures[pick_ & 3];
  }
  std::int64_t NowMicroseconds() const override { return 1718447400123456; }
  int UtcOffsetMinutes(std::int64_t) const override { return ((pick_ >> 3) - 15) * 60; }
  bool DaylightSaving(std::int64_t) const override { return (pick_ & 8) != 0; }
  std::optional<std::int64_t> InstallTime() const override { return 1650000000; }
  // Time does not pass in a fuzzer: a query's pause between two readings
  // would only slow every run.
  void Pause(int) const override {}
  // Every mount has a size; the interfaces the input names get addresses
  // only by these names, which the machine's files may or may not use.
  std::optional<FileSystemSpace> Space(const std::string&) const override {
    return FileSystemSpace{1ULL << 40, 1ULL << 39, 4096, 255};
  }
  std::vector<InterfaceAddress> Addresses() const override {
    return {{"eth0", "192.168.1.20", 24, false},
            {"eth0", "fe80::1", 64, true},
            {"wlan0", "10.0.0.2", (pick_ >> 3) & 31, false}};
  }

 private:
  std::uint8_t pick_;
};

// The machine's files from records, one after another:
//   one byte: the path's length, its high bit set for a symbolic link;
//   the path;
//   three bytes: the content's length, least significant first (cut to what
//   the input still holds);
//   the content (a link's target).
// Lengths rather than separators, so binary files (firmware tables) fit.
inline std::shared_ptr<MemorySourceReader> MachineFromRecords(std::string_view input) {
  auto machine = std::make_shared<MemorySourceReader>();
  std::size_t at = 0;
  while (at < input.size()) {
    const auto head = static_cast<std::uint8_t>(input[at++]);
    const std::size_t pathLength = std::min<std::size_t>(head & 0x7F, input.size() - at);
    const std::string path(input.substr(at, pathLength));
    at += pathLength;
    std::size_t length = 0;
    for (int shift = 0; shift < 24 && at < input.size(); shift += 8) {
      length |= static_cast<std::size_t>(static_cast<std::uint8_t>(input[at++])) << shift;
    }
    length = std::min(length, input.size() - at);
    std::string content(input.substr(at, length));
    at += length;
    if ((head & 0x80) != 0) {
      machine->AddLink(path, std::move(content));
    } else {
      machine->AddFile(path, std::move(content));
    }
  }
  return machine;
}

// The machine's files, split at NULs, under the paths given.
inline void AddFiles(MemorySourceReader& reader, const std::vector<std::string>& paths,
                     std::string_view files) {
  for (const std::string& path : paths) {
    const std::size_t end = std::min(files.find('\0'), files.size());
    reader.AddFile(path, std::string(files.substr(0, end)));
    files.remove_prefix(std::min(end + 1, files.size()));
  }
}

// Every property of every object of the class over the machine, each value
// typed as the object would hand it out; false when there is no such class.
inline bool ReadEveryProperty(SourceReader& reader, const LiveFacts& live,
                              const std::string& className) {
  const ClassSchema* schema = FindProviderClass(className);
  if (schema == nullptr) return false;
  Machine machine(reader, live);
  for (const std::string& instance : schema->instances(machine)) {
    for (const PropertySchema& property : schema->properties) {
      Variant value = CimToVariant(property.type, property.read(machine, instance));
      HeapClearValue(&value);
    }
  }
  return true;
}

}  // namespace hwident::fuzz
