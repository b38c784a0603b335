#include "platform/linux/provider/machine/live_facts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <thread>

namespace hwident {
namespace {

bool LocalTime(std::int64_t epochSeconds, std::tm* local) {
  const std::time_t when = static_cast<std::time_t>(epochSeconds);
  return ::localtime_r(&when, local) != nullptr;
}

}  // namespace

bool SystemLiveFacts::IsRoot() const {
  return ::geteuid() == 0;
}

std::string SystemLiveFacts::Architecture() const {
  struct utsname names {};
  if (::uname(&names) != 0) return {};
  return names.machine;
}

std::int64_t SystemLiveFacts::NowMicroseconds() const {
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return std::int64_t{now.tv_sec} * 1000000 + now.tv_nsec / 1000;
}

int SystemLiveFacts::UtcOffsetMinutes(std::int64_t epochSeconds) const {
  std::tm local{};
  if (!LocalTime(epochSeconds, &local)) return 0;
  return static_cast<int>(local.tm_gmtoff / 60);
}

bool SystemLiveFacts::DaylightSaving(std::int64_t epochSeconds) const {
  std::tm local{};
  return LocalTime(epochSeconds, &local) && local.tm_isdst > 0;
}

void LiveFacts::Pause(int milliseconds) const {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::optional<std::int64_t> SystemLiveFacts::InstallTime() const {
  // The birth time of the root directory is the nearest thing Linux keeps to
  // an installation date; filesystems that do not record it give nothing.
  struct statx status {};
  const std::string path = root_.empty() ? "/" : root_;
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &status) != 0) return std::nullopt;
  // Some filesystems (and sandboxes) claim a birth time of zero; that is no
  // date at all.
  if ((status.stx_mask & STATX_BTIME) == 0 || status.stx_btime.tv_sec <= 0) return std::nullopt;
  return std::int64_t{status.stx_btime.tv_sec};
}

}  // namespace hwident
