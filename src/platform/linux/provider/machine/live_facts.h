#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace hwident {

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

 private:
  std::string root_;
};

}  // namespace hwident
