// Win32_PhysicalMemoryArray: the board's sets of memory slots, from SMBIOS
// type 16, or from udev's copy of it for an ordinary user.
#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/firmware/memory_devices.h"
#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

std::vector<std::string> Arrays(M& m) {
  std::vector<std::string> ids;
  for (std::size_t i = 0; i < ReadMemoryLayout(m).arrays.size(); ++i) {
    ids.push_back(std::to_string(i));
  }
  return ids;
}

const MemoryArray* ArrayOf(M& m, I id) {
  const auto& arrays = ReadMemoryLayout(m).arrays;
  const auto index = ParseDecimal(id);
  if (!index || *index < 0 || static_cast<std::size_t>(*index) >= arrays.size()) return nullptr;
  return &arrays[static_cast<std::size_t>(*index)];
}

// One field of the array, as a property reader.
template <auto member>
Fact Field(M& m, I id) {
  const MemoryArray* array = ArrayOf(m, id);
  if (array == nullptr || !(array->*member)) return Fact::Null();
  return Fact::Text(std::to_string(*(array->*member)));
}

Fact PhysicalMemoryArray(M&, I) {
  return Constant("Physical Memory Array");
}

// The extended capacity may exceed what a uint32 of kilobytes holds; such
// an array has MaxCapacityEx only.
Fact MaxCapacity(M& m, I id) {
  const MemoryArray* array = ArrayOf(m, id);
  if (array == nullptr || !array->maxCapacityKb || *array->maxCapacityKb > 0xFFFFFFFFu) {
    return Fact::Null();
  }
  return Fact::Text(std::to_string(*array->maxCapacityKb));
}

constexpr PropertySchema kProperties[] = {
    {"Caption", CimType::kString, PhysicalMemoryArray},
    {"CreationClassName", CimType::kString,
     [](M&, I) { return Constant("Win32_PhysicalMemoryArray"); }},
    {"Description", CimType::kString, PhysicalMemoryArray},
    {"Location", CimType::kUint16, Field<&MemoryArray::location>},
    {"MaxCapacity", CimType::kUint32, MaxCapacity},
    {"MaxCapacityEx", CimType::kUint64, Field<&MemoryArray::maxCapacityKb>},
    {"MemoryDevices", CimType::kUint16, Field<&MemoryArray::memoryDevices>},
    {"MemoryErrorCorrection", CimType::kUint16, Field<&MemoryArray::errorCorrection>},
    {"Name", CimType::kString, PhysicalMemoryArray},
    {"Tag", CimType::kString, [](M&, I id) { return Fact::Text("Physical Memory Array " + id); }},
    {"Use", CimType::kUint16, Field<&MemoryArray::use>},
};

}  // namespace

const ClassSchema& PhysicalMemoryArrayClass() {
  static const ClassSchema schema{"Win32_PhysicalMemoryArray", Arrays, kProperties};
  return schema;
}

}  // namespace hwident
