#pragma once

#include "platform/file_services.h"
#include "platform/message_display.h"

namespace hwident {

// Writes every collected report line to Model.txt in the Windows directory,
// replacing the file (a read-only or otherwise marked one included), and
// empties the collected lines whatever happens. Problems are shown as
// plain-style messages.
void WriteModelFile(FileServices& files, MessageDisplay& messages);

}  // namespace hwident
