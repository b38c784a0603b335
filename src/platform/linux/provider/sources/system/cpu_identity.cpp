#include "platform/linux/provider/sources/system/cpu_identity.h"

#include "platform/linux/provider/values/number_text.h"

#include <cstdio>
#include <sstream>
#include <utility>

namespace hwident {
namespace {

// CPUID.1:EDX bit numbers and the flag names Linux prints for them; bits 10
// and 20 are reserved and have no name.
constexpr std::pair<int, const char*> kEdxFlags[] = {
    {0, "fpu"},      {1, "vme"},  {2, "de"},    {3, "pse"},  {4, "tsc"},    {5, "msr"},
    {6, "pae"},      {7, "mce"},  {8, "cx8"},   {9, "apic"}, {11, "sep"},   {12, "mtrr"},
    {13, "pge"},     {14, "mca"}, {15, "cmov"}, {16, "pat"}, {17, "pse36"}, {18, "pn"},
    {19, "clflush"}, {21, "dts"}, {22, "acpi"}, {23, "mmx"}, {24, "fxsr"},  {25, "sse"},
    {26, "sse2"},    {27, "ss"},  {28, "ht"},   {29, "tm"},  {30, "ia64"},  {31, "pbe"},
};

constexpr std::pair<int, const char*> kArmImplementers[] = {
    {0x41, "ARM"},       {0x42, "Broadcom"}, {0x43, "Cavium"}, {0x46, "Fujitsu"},
    {0x48, "HiSilicon"}, {0x4E, "NVIDIA"},   {0x50, "APM"},    {0x51, "Qualcomm"},
    {0x53, "Samsung"},   {0x56, "Marvell"},  {0x61, "Apple"},  {0x69, "Intel"},
    {0xC0, "Ampere"},
};

}  // namespace

std::optional<std::uint32_t> X86Signature(const CpuInfoBlock& block) {
  const auto family = ParseDecimal(Field(block, "cpu family").value_or(""));
  const auto model = ParseDecimal(Field(block, "model").value_or(""));
  const auto stepping = ParseDecimal(Field(block, "stepping").value_or(""));
  if (!family || !model || !stepping || *family < 0 || *family > 15 + 255 || *model < 0 ||
      *model > 255 || *stepping < 0 || *stepping > 15) {
    return std::nullopt;
  }
  const std::uint32_t baseFamily = *family >= 15 ? 15 : static_cast<std::uint32_t>(*family);
  const std::uint32_t extendedFamily = *family >= 15 ? static_cast<std::uint32_t>(*family - 15) : 0;
  const bool extendedModel = *family == 6 || *family >= 15;
  if (!extendedModel && *model > 15) return std::nullopt;
  return static_cast<std::uint32_t>(*stepping) | (static_cast<std::uint32_t>(*model & 0xF) << 4) |
         (baseFamily << 8) | (static_cast<std::uint32_t>(*model >> 4) << 16) |
         (extendedFamily << 20);
}

std::uint32_t X86FeatureBits(const CpuInfoBlock& block) {
  std::uint32_t bits = 0;
  std::istringstream flags(Field(block, "flags").value_or(""));
  std::string flag;
  while (flags >> flag) {
    for (const auto& [bit, name] : kEdxFlags) {
      if (flag == name) bits |= 1u << bit;
    }
  }
  return bits;
}

std::optional<std::string> X86ProcessorId(const CpuInfoBlock& block) {
  const auto signature = X86Signature(block);
  if (!signature || !Field(block, "flags")) return std::nullopt;
  char text[24];
  std::snprintf(text, sizeof text, "%08X%08X", X86FeatureBits(block), *signature);
  return std::string(text);
}

std::optional<std::string> ArmImplementer(const std::string& code) {
  // MIDR's implementer field is one byte.
  if (code.compare(0, 2, "0x") != 0) return std::nullopt;
  const auto value = ParseHexIn(std::string_view(code).substr(2), 0xFF);
  if (!value) return std::nullopt;
  for (const auto& [number, name] : kArmImplementers) {
    if (static_cast<std::uint64_t>(number) == *value) return std::string(name);
  }
  return std::nullopt;
}

bool IsX86(const std::string& architecture) {
  return architecture == "x86_64" ||
         (architecture.size() == 4 && architecture[0] == 'i' && architecture.substr(2) == "86");
}

bool IsArm(const std::string& architecture) {
  return architecture == "aarch64" || architecture.compare(0, 3, "arm") == 0;
}

bool Is64Bit(const std::string& architecture) {
  return architecture == "x86_64" || architecture == "aarch64";
}

}  // namespace hwident
