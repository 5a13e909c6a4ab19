#pragma once
// x as the time since the first pair. The pass over the lines reads a time
// column's fields as points in time (microseconds) and a scope's sample
// numbers as they stand; here they become the x cells, in a unit that suits
// the span (s, min, h or d), with a title that names unit and origin.

#include <string>

#include "wertedatei/layout.h"
#include "wertedatei/wertedatei.h"

namespace wertedatei {

// Sets file.x, file.xValues and file.xTitle; the message's sentences about
// the clock (an hour repeated or skipped), or an empty text.
std::string MakeTimeAxis(const XReading& reading, PairFile& file);

}  // namespace wertedatei
