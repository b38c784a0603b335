// Win32_CacheMemory: one object per cache the firmware describes (SMBIOS
// type 7), in table order; none without the table (root only).
#include "platform/linux/provider/classes/firmware/smbios_facts.h"
#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/firmware/cache_memory.h"
#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

std::vector<std::string> Caches(M& m) {
  return RecordPlaces(ReadCacheMemory(m));
}

template <auto member>
Fact Number(M& m, I id) {
  const CacheMemory* cache = RecordAt(ReadCacheMemory(m), id);
  return cache == nullptr ? Fact::Null() : NumberFact(cache->*member);
}

template <auto member>
Fact NumberList(M& m, I id) {
  const CacheMemory* cache = RecordAt(ReadCacheMemory(m), id);
  return cache == nullptr ? Fact::Null() : NumberListFact(cache->*member);
}

Fact CacheMemoryText(M&, I) {
  return Constant("Cache Memory");
}

Fact Purpose(M& m, I id) {
  const CacheMemory* cache = RecordAt(ReadCacheMemory(m), id);
  return cache == nullptr ? Fact::Null() : FactFrom(cache->purpose);
}

constexpr PropertySchema kProperties[] = {
    {"Access", CimType::kUint16, NullFact},
    {"AdditionalErrorData", CimType::kUint8Array, NullFact},
    {"Associativity", CimType::kUint16, Number<&CacheMemory::associativity>},
    {"Availability", CimType::kUint16, Number<&CacheMemory::availability>},
    {"BlockSize", CimType::kUint64, Number<&CacheMemory::blockSize>},
    {"CacheSpeed", CimType::kUint32, Number<&CacheMemory::cacheSpeed>},
    {"CacheType", CimType::kUint16, Number<&CacheMemory::cacheType>},
    {"Caption", CimType::kString, CacheMemoryText},
    {"ConfigManagerErrorCode", CimType::kUint32, NullFact},
    {"ConfigManagerUserConfig", CimType::kBoolean, NullFact},
    {"CorrectableError", CimType::kBoolean, NullFact},
    {"CreationClassName", CimType::kString, [](M&, I) { return Constant("Win32_CacheMemory"); }},
    {"CurrentSRAM", CimType::kUint16Array, NumberList<&CacheMemory::currentSram>},
    {"Description", CimType::kString, CacheMemoryText},
    {"DeviceID", CimType::kString, [](M&, I id) { return Fact::Text("Cache Memory " + id); }},
    {"EndingAddress", CimType::kUint64, NullFact},
    {"ErrorAccess", CimType::kUint16, NullFact},
    {"ErrorAddress", CimType::kUint64, NullFact},
    {"ErrorCleared", CimType::kBoolean, NullFact},
    {"ErrorCorrectType", CimType::kUint16, Number<&CacheMemory::errorCorrectType>},
    {"ErrorData", CimType::kUint8Array, NullFact},
    {"ErrorDataOrder", CimType::kUint16, NullFact},
    {"ErrorDescription", CimType::kString, NullFact},
    {"ErrorInfo", CimType::kUint16, NullFact},
    {"ErrorMethodology", CimType::kString, NullFact},
    {"ErrorResolution", CimType::kUint64, NullFact},
    {"ErrorTime", CimType::kDatetime, NullFact},
    {"ErrorTransferSize", CimType::kUint32, NullFact},
    {"FlushTimer", CimType::kUint32, NullFact},
    {"InstallDate", CimType::kDatetime, NullFact},
    {"InstalledSize", CimType::kUint32, Number<&CacheMemory::installedSize>},
    {"LastErrorCode", CimType::kUint32, NullFact},
    {"Level", CimType::kUint16, Number<&CacheMemory::level>},
    {"LineSize", CimType::kUint32, NullFact},
    {"Location", CimType::kUint16, Number<&CacheMemory::location>},
    {"MaxCacheSize", CimType::kUint32, Number<&CacheMemory::maxCacheSize>},
    {"Name", CimType::kString, CacheMemoryText},
    {"NumberOfBlocks", CimType::kUint64, Number<&CacheMemory::numberOfBlocks>},
    {"OtherErrorDescription", CimType::kString, NullFact},
    {"PNPDeviceID", CimType::kString, NullFact},
    {"PowerManagementCapabilities", CimType::kUint16Array, NullFact},
    {"PowerManagementSupported", CimType::kBoolean, NullFact},
    {"Purpose", CimType::kString, Purpose},
    {"ReadPolicy", CimType::kUint16, NullFact},
    {"ReplacementPolicy", CimType::kUint16, NullFact},
    {"StartingAddress", CimType::kUint64, NullFact},
    {"Status", CimType::kString, [](M&, I) { return Constant("OK"); }},
    {"StatusInfo", CimType::kUint16, Number<&CacheMemory::statusInfo>},
    {"SupportedSRAM", CimType::kUint16Array, NumberList<&CacheMemory::supportedSram>},
    {"SystemCreationClassName", CimType::kString,
     [](M&, I) { return Constant("Win32_ComputerSystem"); }},
    {"SystemLevelAddress", CimType::kBoolean, NullFact},
    {"SystemName", CimType::kString, [](M& m, I) { return FactFrom(NetBiosName(m)); }},
    {"WritePolicy", CimType::kUint16, Number<&CacheMemory::writePolicy>},
};

}  // namespace

const ClassSchema& CacheMemoryClass() {
  static const ClassSchema schema{"Win32_CacheMemory", Caches, kProperties};
  return schema;
}

}  // namespace hwident
