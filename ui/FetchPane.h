// Fetching a pane's pixels from the host.
#pragma once

#include <cstdint>

#include "ui/ViewPane.h"

namespace mirtane::ui {

constexpr std::int32_t kFetchSucceeded = 1;
constexpr std::int32_t kFetchFailed = -3;

// Asks the host, through the filter record in gHost, for the pane's
// sourceRect at its samplingRate (red, green and blue interleaved, no output
// requested; with a selection mask that is not floating, the mask too),
// stores the host's answer in the result slot and copies the delivered pixels
// into the pane's buffer. When `showCorrected` is set and the pane is the
// preview, the buffer is then corrected with the parameter block's curves and
// tints, exactly as the final output is. Returns kFetchSucceeded, or
// kFetchFailed when the host reports an error (or offers no advanceState).
// A host that answers success without data leaves the buffer as it was.
[[nodiscard]] std::int32_t FetchPane(ViewPane& pane, bool showCorrected);

}  // namespace mirtane::ui
