#include "platform/linux/provider/machine/live_facts.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
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

int PrefixLength(const unsigned char* mask, std::size_t bytes) {
  int length = 0;
  for (std::size_t i = 0; i < bytes; ++i) {
    for (int bit = 7; bit >= 0; --bit) length += (mask[i] >> bit) & 1;
  }
  return length;
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

std::optional<FileSystemSpace> SystemLiveFacts::Space(const std::string& mountPoint) const {
  struct statvfs status {};
  if (::statvfs((root_ + mountPoint).c_str(), &status) != 0) return std::nullopt;
  const std::uint64_t unit = status.f_frsize != 0 ? status.f_frsize : status.f_bsize;
  return FileSystemSpace{std::uint64_t{status.f_blocks} * unit,
                         std::uint64_t{status.f_bavail} * unit, unit,
                         std::uint64_t{status.f_namemax}};
}

std::vector<InterfaceAddress> SystemLiveFacts::Addresses() const {
  std::vector<InterfaceAddress> addresses;
  struct ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return addresses;
  for (const struct ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_netmask == nullptr) continue;
    char text[INET6_ADDRSTRLEN] = {};
    InterfaceAddress address;
    address.interface = entry->ifa_name;
    if (entry->ifa_addr->sa_family == AF_INET) {
      const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
      const auto* mask = reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask);
      if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) == nullptr) continue;
      address.prefixLength =
          PrefixLength(reinterpret_cast<const unsigned char*>(&mask->sin_addr), 4);
    } else if (entry->ifa_addr->sa_family == AF_INET6) {
      const auto* in = reinterpret_cast<const sockaddr_in6*>(entry->ifa_addr);
      const auto* mask = reinterpret_cast<const sockaddr_in6*>(entry->ifa_netmask);
      if (::inet_ntop(AF_INET6, &in->sin6_addr, text, sizeof text) == nullptr) continue;
      address.prefixLength = PrefixLength(mask->sin6_addr.s6_addr, 16);
      address.ipv6 = true;
    } else {
      continue;
    }
    address.address = text;
    addresses.push_back(std::move(address));
  }
  ::freeifaddrs(list);
  return addresses;
}

}  // namespace hwident
