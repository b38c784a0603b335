#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace hwident {

// CIM datetimes as WMI delivers them: 25 characters,
// yyyymmddHHMMSS.mmmmmm then the sign and three digits of the offset from
// UTC in minutes.

// A firmware date, MM/DD/YYYY as DMI prints it (a two-digit year is 19YY),
// as a date at midnight with offset +000; nothing when it is not such a date.
std::optional<std::string> FirmwareDateToDmtf(const std::string& date);

// An instant, in the local time offsetMinutes east of UTC.
std::string EpochToDmtf(std::int64_t epochMicroseconds, int offsetMinutes);

// Epoch seconds read from the machine (boot time, a file's birth) in
// microseconds, when a DMTF datetime can show them: from 1970 to the end of
// 9998, so any offset from UTC still gives a four-digit year. Nothing for
// anything else, which also keeps the multiplication from overflowing.
std::optional<std::int64_t> DmtfMicroseconds(std::int64_t epochSeconds);

}  // namespace hwident
