#pragma once

#include <optional>
#include <string>

#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {

// The CPUID leaf 1 signature (EAX) rebuilt from the family, model and
// stepping the kernel prints: display family 15 and up carry the extended
// family, families 6 and 15 up the extended model.
std::optional<std::uint32_t> X86Signature(const CpuInfoBlock& block);

// The CPUID leaf 1 feature bits (EDX) rebuilt from the flag names the kernel
// prints for them.
std::uint32_t X86FeatureBits(const CpuInfoBlock& block);

// Windows' ProcessorId: EDX then EAX of CPUID leaf 1 as 16 hex digits.
std::optional<std::string> X86ProcessorId(const CpuInfoBlock& block);

// The maker of an ARM core by its MIDR implementer code ("0x41").
std::optional<std::string> ArmImplementer(const std::string& code);

// Whether the kernel reports an architecture family.
bool IsX86(const std::string& architecture);
bool IsArm(const std::string& architecture);
bool Is64Bit(const std::string& architecture);

}  // namespace hwident
