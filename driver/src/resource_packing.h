// Writes a board's resources into the packed resource area of a request
// block (offsets 74..289).
#pragma once

#include "board_catalogue.h"
#include "request_block.h"

namespace tamrix::vxd {

// Unused entries and unused counts are zero; the reserved bytes carry the
// board's hardware revision and firmware version (major, minor).
void PackResources(const BoardDescription &board, RequestBlock &block);

// Zeroes the resource area, so that a refused request never hands back
// whatever the caller's block held.
void ClearResources(RequestBlock &block);

}  // namespace tamrix::vxd
