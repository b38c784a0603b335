// Placeholder until the UTF-8 conversion lands.
#include "platform/wide_text.h"
