#pragma once

#include "tamrix.h"
#include "tamrix_protocol.h"

namespace tamrix {

// Copies the packed resource fields of an answered block into the record,
// field by field; the record's padding bytes are left as the caller had them.
void CopyResources(const RequestBlock &block, TAMRIXR &record);

}  // namespace tamrix
