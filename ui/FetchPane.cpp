#include "ui/FetchPane.h"

#include "pipeline/ApplyCurves.h"
#include "pipeline/HostRequest.h"
#include "run/HostState.h"
#include "ui/ResampleBilinear.h"

namespace mirtane::ui {

std::int32_t FetchPane(ViewPane& pane, bool showCorrected) {
    FilterRecord* record = gHost.filterRecord;
    if (record == nullptr || record->advanceState == nullptr) {
        SetHostResult(filterBadParameters);
        return kFetchFailed;
    }
    record->inRect = pane.sourceRect;
    record->inputRate = pane.samplingRate;
    record->outRect = Rect{0, 0, 0, 0};
    if (record->haveMask != 0 && record->isFloating == 0) {
        record->maskRect = pane.sourceRect;
        record->maskRate = pane.samplingRate;
        record->maskPadding = 0;
    }
    record->inputPadding = 0;
    record->inLoPlane = 0;
    record->inHiPlane = 2;

    if (RequestFromHost() != noErr) {
        return kFetchFailed;
    }

    const std::int32_t deliveredWidth = record->inRect.right - record->inRect.left;
    const std::int32_t deliveredHeight = record->inRect.bottom - record->inRect.top;
    ResampleBilinear(static_cast<const std::uint8_t*>(record->inData), deliveredWidth,
                     deliveredHeight, record->inRowBytes, pane.pixels, pane.width, pane.height,
                     pane.width * 3, PixelLayout{record->inColumnBytes, record->inPlaneBytes});

    if (showCorrected && pane.controlId == kPreviewPaneId && pane.pixels != nullptr) {
        ApplyCurvesToPixels(pane.pixels, pane.width * 3, Rect{0, 0, pane.height, pane.width});
    }
    return kFetchSucceeded;
}

}  // namespace mirtane::ui
