#pragma once

#include "platform/wide_text.h"

namespace hwident {

// The two fixed styles every problem is reported in. Both block until the
// user acknowledges the message (where someone can), then return.
class MessageDisplay {
 public:
  virtual ~MessageDisplay() = default;
  // No owner, OK button, exclamation icon; the caption is the program's path.
  virtual void ShowAppMessage(const NarrowText& text) = 0;
  // No owner, OK button, no icon, the platform's default caption.
  virtual void ShowPlainMessage(const NarrowText& text) = 0;
};

}  // namespace hwident
