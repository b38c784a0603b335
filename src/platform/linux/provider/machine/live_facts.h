#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hwident {

// What statvfs says of a mounted file system, in bytes.
struct FileSystemSpace {
  std::uint64_t size = 0;
  std::uint64_t available = 0;  // free to an ordinary user, as df shows it
  std::uint64_t blockSize = 0;  // the unit space is allotted in; 0 when unknown
  std::uint64_t nameMax = 0;    // the longest file name; 0 when unknown
};

// One address of a network interface, as getifaddrs gives it.
struct InterfaceAddress {
  std::string interface;  // "eth0"
  std::string address;    // "192.168.1.20", "fe80::1"
  int prefixLength = 0;
  bool ipv6 = false;
};

// Facts that belong to the running system rather than to a file: who runs
// the program, the processor architecture the kernel reports, the clock and
// the local time zone. Tests give fixed ones so expected reports stay stable.
class LiveFacts {
 public:
  virtual ~LiveFacts() = default;

  virtual bool IsRoot() const = 0;
  // uname's machine field: "x86_64", "aarch64", "i686", "armv7l".
  virtual std::string Architecture() const = 0;
  // Microseconds since the epoch.
  virtual std::int64_t NowMicroseconds() const = 0;
  // Local offset from UTC, in minutes east, at the given epoch second.
  virtual int UtcOffsetMinutes(std::int64_t epochSeconds) const = 0;
  virtual bool DaylightSaving(std::int64_t epochSeconds) const = 0;
  // When the root filesystem was made, as near as the system can tell.
  virtual std::optional<std::int64_t> InstallTime() const = 0;
  // Lets the given time pass, for values measured over an interval.
  virtual void Pause(int milliseconds) const;
  // Sizes of the file system mounted at mountPoint (a path the machine
  // names); nothing when it cannot be asked.
  virtual std::optional<FileSystemSpace> Space(const std::string& mountPoint) const = 0;
  // The IPv4 and IPv6 addresses of every interface, in the kernel's order.
  virtual std::vector<InterfaceAddress> Addresses() const = 0;
};

// The live system, its root filesystem at root.
class SystemLiveFacts final : public LiveFacts {
 public:
  explicit SystemLiveFacts(std::string root) : root_(std::move(root)) {}

  bool IsRoot() const override;
  std::string Architecture() const override;
  std::int64_t NowMicroseconds() const override;
  int UtcOffsetMinutes(std::int64_t epochSeconds) const override;
  bool DaylightSaving(std::int64_t epochSeconds) const override;
  std::optional<std::int64_t> InstallTime() const override;
  std::optional<FileSystemSpace> Space(const std::string& mountPoint) const override;
  std::vector<InterfaceAddress> Addresses() const override;

 private:
  std::string root_;
};

}  // namespace hwident
