#include "platform/linux/provider/values/dmtf_time.h"

#include <cstdio>
#include <cstdlib>

namespace hwident {
namespace {

// Days since 1970-01-01 to a civil date (proleptic Gregorian), so the result
// does not depend on the C library's time zone state.
void CivilFromDays(std::int64_t days, int* year, int* month, int* day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shifted = (5 * dayOfYear + 2) / 153;
  *day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
  *month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
  *year = static_cast<int>(yearOfEra + era * 400 + (*month <= 2 ? 1 : 0));
}

std::int64_t FloorDivide(std::int64_t value, std::int64_t divisor) {
  return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> FirmwareDateToDmtf(const std::string& date) {
  const std::size_t first = date.find('/');
  const std::size_t second = first == std::string::npos ? first : date.find('/', first + 1);
  if (second == std::string::npos) return std::nullopt;
  const std::string monthText = date.substr(0, first);
  const std::string dayText = date.substr(first + 1, second - first - 1);
  const std::string yearText = date.substr(second + 1);
  if (monthText.size() != 2 || dayText.size() != 2 ||
      (yearText.size() != 4 && yearText.size() != 2) || !AllDigits(monthText) ||
      !AllDigits(dayText) || !AllDigits(yearText)) {
    return std::nullopt;
  }
  const int month = std::atoi(monthText.c_str());
  const int day = std::atoi(dayText.c_str());
  int year = std::atoi(yearText.c_str());
  // Old firmware wrote two-digit years, all of them in the 1900s.
  if (yearText.size() == 2) year += 1900;
  if (month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02d000000.000000+000", year, month, day);
  return std::string(buffer);
}

std::optional<std::int64_t> DmtfMicroseconds(std::int64_t epochSeconds) {
  constexpr std::int64_t kFirstOf9999 = 253370764800;  // 9999-01-01T00:00:00Z
  if (epochSeconds < 0 || epochSeconds >= kFirstOf9999) return std::nullopt;
  return epochSeconds * 1000000;
}

std::string EpochToDmtf(std::int64_t epochMicroseconds, int offsetMinutes) {
  const std::int64_t local = epochMicroseconds + std::int64_t{offsetMinutes} * 60 * 1000000;
  const std::int64_t seconds = FloorDivide(local, 1000000);
  const std::int64_t micro = local - seconds * 1000000;
  const std::int64_t days = FloorDivide(seconds, 86400);
  const std::int64_t secondOfDay = seconds - days * 86400;
  int year = 0, month = 0, day = 0;
  CivilFromDays(days, &year, &month, &day);
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02d%02d%02d%02d.%06d%c%03d", year, month, day,
                static_cast<int>(secondOfDay / 3600), static_cast<int>(secondOfDay / 60 % 60),
                static_cast<int>(secondOfDay % 60), static_cast<int>(micro),
                offsetMinutes < 0 ? '-' : '+', std::abs(offsetMinutes) % 1000);
  return buffer;
}

}  // namespace hwident
