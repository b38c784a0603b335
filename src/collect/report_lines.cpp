#include "collect/report_lines.h"

namespace hwident {

std::vector<NarrowText> g_reportLines;

}  // namespace hwident
