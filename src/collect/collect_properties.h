#pragma once

#include "platform/management_service.h"
#include "platform/wide_text.h"

namespace hwident {

// Runs one query and appends "Name = value" to g_reportLines for every
// property of every returned object whose name is in the comma-separated
// property list (letters A to Z compared without case). Shows no messages;
// a failing service ends the request quietly. Always returns true.
// The connection's services must be present.
bool CollectProperties(const ServiceConnection& connection, const NarrowText& query,
                       const NarrowText& propertyList);

}  // namespace hwident
