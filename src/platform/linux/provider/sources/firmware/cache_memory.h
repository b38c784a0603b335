#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/sources/firmware/smbios_table.h"

namespace hwident {

// One cache the firmware describes (SMBIOS type 7), its enumerations
// already in the numbering Windows gives them.
struct CacheMemory {
  std::optional<std::string> purpose;  // the socket designation
  std::optional<std::int64_t> level, location, writePolicy, availability, statusInfo;
  std::optional<std::int64_t> maxCacheSize, installedSize;  // KB
  std::optional<std::int64_t> blockSize, numberOfBlocks;    // of the installed size
  std::optional<std::int64_t> cacheSpeed, errorCorrectType, cacheType, associativity;
  std::optional<std::vector<std::int64_t>> supportedSram, currentSram;
};

// Every type-7 structure, in table order.
std::vector<CacheMemory> CachesFromSmbios(const SmbiosTable& table);

// The table's caches, once per query; none when the table cannot be read.
const std::vector<CacheMemory>& ReadCacheMemory(Machine& machine);

}  // namespace hwident
