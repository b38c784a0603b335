#pragma once

#include "platform/message_display.h"

namespace hwident {

// Messages as modal message boxes without an owner window, or, where the
// process's window station cannot be seen, as debug output and an event log
// entry that do not wait.
class MessageBoxes final : public MessageDisplay {
 public:
  void ShowAppMessage(const NarrowText& text) override;
  void ShowPlainMessage(const NarrowText& text) override;
};

}  // namespace hwident
