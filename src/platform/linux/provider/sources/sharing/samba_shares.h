#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/provider/machine/machine.h"

namespace hwident {

// A share as Samba serves it, typed as Windows types shares.
struct SambaShare {
  std::string name;
  std::uint32_t type = 0;           // 0 disk, 1 print queue, 0x80000003 IPC$
  std::optional<std::string> path;  // null for IPC$
  std::optional<std::string> comment;
  // `max connections`: 0 for no limit; nothing when it is not a number.
  std::optional<std::int64_t> maxConnections;
};

inline constexpr std::uint32_t kShareDisk = 0;
inline constexpr std::uint32_t kSharePrintQueue = 1;
inline constexpr std::uint32_t kShareIpcSpecial = 0x80000003;

// The configured sections but [global] and [printers] in the file's order
// (sections with `available = no` are not served and left out), then IPC$,
// which smbd always serves, then, when [printers] exists and `load
// printers` is on, one share per CUPS queue no section names already.
// None without smb.conf.
const std::vector<SambaShare>& SambaShares(Machine& machine);

}  // namespace hwident
