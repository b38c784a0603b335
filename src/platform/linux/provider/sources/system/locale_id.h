#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/provider/machine/machine.h"

namespace hwident {

// The system's default locale name ("en_IN.UTF-8"): LANG of
// /etc/locale.conf, else of /etc/default/locale; quotes removed.
std::optional<std::string> SystemLocaleName(Machine& machine);

// The Windows locale identifier of a POSIX locale name, matched on language
// and territory ("de_AT.UTF-8@euro" is 0x0C07); nothing for C, POSIX and
// locales outside the table.
std::optional<std::uint16_t> LocaleIdOf(std::string_view name);

}  // namespace hwident
