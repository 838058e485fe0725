#pragma once

#include "request_block.h"
#include "tamrix.h"

namespace tamrix {

// Copies the packed resource fields of an answered block into the record,
// field by field; the record's padding bytes are left as the caller had them.
void CopyResources(const RequestBlock &block, TAMRIXR &record);

}  // namespace tamrix
