#include "platform/linux/provider/sources/firmware/cache_memory.h"

#include "platform/linux/provider/sources/firmware/machine_smbios.h"

namespace hwident {
namespace {

constexpr std::uint8_t kCacheInformation = 7;

// A cache size as the table gives it: a count of 1 KB or, with the top bit
// set, 64 KB blocks. Windows shows the block and the count apart and their
// product in KB.
struct CacheSize {
  std::int64_t blockBytes = 0;
  std::int64_t blocks = 0;
  std::optional<std::int64_t> Kilobytes() const {
    const std::int64_t kb = blocks * (blockBytes / 1024);
    // The property is a uint32 of KB; 31-bit counts of 64 KB can exceed it.
    if (kb > 0xFFFFFFFFLL) return std::nullopt;
    return kb;
  }
};

// The 16-bit size, or the 32-bit one (SMBIOS 3.1) when the 16-bit field is
// all ones to say the size does not fit it.
std::optional<CacheSize> SizeOf(const SmbiosStructure& s, std::size_t offset,
                                std::size_t extended) {
  const auto word = s.Word(offset);
  if (!word) return std::nullopt;
  if (*word == 0xFFFF) {
    if (const auto dword = s.Dword(extended)) {
      return CacheSize{(*dword & 0x80000000u) != 0 ? 65536 : 1024, *dword & 0x7FFFFFFFu};
    }
  }
  return CacheSize{(*word & 0x8000) != 0 ? 65536 : 1024, *word & 0x7FFF};
}

// The SRAM type bits (other, unknown, non-burst, burst, pipeline burst,
// synchronous, asynchronous) are numbered by their bit in CIM; null when
// none is set.
std::optional<std::vector<std::int64_t>> SramTypes(const std::optional<std::uint16_t>& bits) {
  if (!bits) return std::nullopt;
  std::vector<std::int64_t> types;
  for (int bit = 0; bit <= 6; ++bit) {
    if (((*bits >> bit) & 1) != 0) types.push_back(bit);
  }
  if (types.empty()) return std::nullopt;
  return types;
}

std::optional<std::int64_t> Raw(const std::optional<std::uint8_t>& value) {
  if (!value) return std::nullopt;
  return *value;
}

CacheMemory CacheFrom(const SmbiosStructure& s) {
  CacheMemory cache;
  cache.purpose = s.String(0x04);
  if (const auto configuration = s.Word(0x05)) {
    // L1, L2 and L3 are CIM's primary, secondary and tertiary caches; CIM
    // has no name for a deeper level, so those are "other".
    const int level = *configuration & 0x07;
    cache.level = level <= 2 ? level + 3 : 1;
    // Internal, external, reserved, unknown: numbered alike.
    cache.location = (*configuration >> 5) & 0x03;
    const bool enabled = ((*configuration >> 7) & 1) != 0;
    cache.availability = enabled ? 3 : 8;  // running / off line
    cache.statusInfo = enabled ? 3 : 4;    // enabled / disabled
    // Write through, write back, varies with address, unknown.
    constexpr std::int64_t kWritePolicy[] = {4, 3, 5, 2};
    cache.writePolicy = kWritePolicy[(*configuration >> 8) & 0x03];
  }
  if (const auto maximum = SizeOf(s, 0x07, 0x13)) cache.maxCacheSize = maximum->Kilobytes();
  if (const auto installed = SizeOf(s, 0x09, 0x17)) {
    cache.installedSize = installed->Kilobytes();
    cache.blockSize = installed->blockBytes;
    cache.numberOfBlocks = installed->blocks;
  }
  cache.supportedSram = SramTypes(s.Word(0x0B));
  cache.currentSram = SramTypes(s.Word(0x0D));
  // Nanoseconds; 0 is "unknown".
  if (const auto speed = s.Byte(0x0F); speed && *speed != 0) cache.cacheSpeed = *speed;
  // SMBIOS 2.1 fields, numbered as CIM numbers them (associativities past
  // 16-way follow the later CIM schema, which took the SMBIOS numbers).
  cache.errorCorrectType = Raw(s.Byte(0x10));
  cache.cacheType = Raw(s.Byte(0x11));
  cache.associativity = Raw(s.Byte(0x12));
  return cache;
}

}  // namespace

std::vector<CacheMemory> CachesFromSmbios(const SmbiosTable& table) {
  std::vector<CacheMemory> caches;
  for (const SmbiosStructure* s : table.OfType(kCacheInformation, smbios_minimum::kCache)) {
    caches.push_back(CacheFrom(*s));
  }
  return caches;
}

const std::vector<CacheMemory>& ReadCacheMemory(Machine& machine) {
  return machine.Derived<std::vector<CacheMemory>>("cache memory", [&machine] {
    const SmbiosTable* table = ReadSmbios(machine);
    return table == nullptr ? std::vector<CacheMemory>{} : CachesFromSmbios(*table);
  });
}

}  // namespace hwident
