#pragma once

#include "platform/linux/provider/class_schema.h"

namespace hwident {

const ClassSpec& CdromDriveClass();

}  // namespace hwident
