// Announcement pages made up for the benchmark, in the demo site's shape.
#pragma once

#include <cstddef>

#include "text/text.h"

namespace velmora {

// A GBK page of about pageBytes bytes: the three section markers, upcoming rows
// filling the first half and issued rows (three of every seven linking to
// their article) the second half. Without cell ends, the rows of both
// tables lack every "</td>".
Text SyntheticPage(std::size_t pageBytes, bool withoutCellEnds);

}  // namespace velmora
