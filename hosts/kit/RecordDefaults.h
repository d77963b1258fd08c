// The document fields every host of ours fills the same way before the first
// selector, so that the test host and the command's production host describe
// a document alike.
#pragma once

#include "pluginapi/FilterRecord.h"

namespace hostkit {

// An 8-bit RGB document at 72 dpi; white background, black foreground; the
// '8BIM' signature; padding supported, every padding at "error on
// out-of-bounds" until the plug-in chooses; integral sampling offered and
// both rates at 1.0; masks applied by the host; no dummy-plane value.
void FillRecordDefaults(FilterRecord& record);

// Takes back every pixel pointer the host handed out (input, output, mask)
// with its row length, as a host does before answering the next request.
void ClearPixelPointers(FilterRecord& record);

}  // namespace hostkit
