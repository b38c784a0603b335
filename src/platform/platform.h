#pragma once

#include "platform/file_services.h"
#include "platform/management_service.h"
#include "platform/message_display.h"

namespace hwident {

// Everything a run asks of the platform, handed to the run driver by the
// entry of each build (and by tests, with scripted pieces).
struct Platform {
  ObjectSystem& objects;
  MessageDisplay& messages;
  FileServices& files;
};

}  // namespace hwident
