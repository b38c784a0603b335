#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/sources/system/processor_topology.h"

namespace hwident {

// A package's caches in KB by level ("2", "3"): every instance counted once
// (the CPUs sharing one instance name the same CPU list), instruction
// caches left out; a level is null when a size is no size or the sum passes
// 64 bits.
using CacheTotals = std::map<std::string, std::optional<std::int64_t>>;

// The totals of the socket, made once per query.
const CacheTotals& SocketCacheTotals(Machine& machine, const Socket& socket);

}  // namespace hwident
