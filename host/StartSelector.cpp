// The start selector: the whole run happens here. Checks, last-used and
// scripted settings, intake and reduction, analysis, the dialog, and the
// tiled application of the result.
#include <initializer_list>

#include "analysis/ComputeChannelCurves.h"
#include "host/LastUsedSettings.h"
#include "host/ParameterBlock.h"
#include "host/ScriptingParameters.h"
#include "host/SelectorHandlers.h"
#include "pipeline/ApplyToImage.h"
#include "pipeline/HostRequest.h"
#include "pipeline/ReadAndReducePlanes.h"
#include "platform/Platform.h"
#include "run/HostState.h"
#include "run/TrackedMemory.h"

namespace mirtane {
namespace {

constexpr int kMinimumScreenWidth = 800;
constexpr int kMinimumScreenHeight = 600;
constexpr int kMinimumImageSide = 480;
constexpr std::int16_t kDefaultTileSide = 175;
constexpr std::uint32_t kCurveTableBytes = 1024;  // 256 floats

constexpr const char* kScreenTooSmall = "Display resolution must at least be 800x600";
constexpr const char* kImageTooSmall =
    "Image must be at least 480x480.  Use your imaging application to increase the image size.";
constexpr const char* kNotThreePlanes =
    "This plug-in needs three channels. Do you have a blank or adjustment layer selected?";
constexpr const char* kNotEightBitRgb =
    "This plug-in needs an 8-bit RGB image. Convert the image to RGB with 8 bits per channel.";
constexpr const char* kReductionFailed = "Internal Error #1";

void SetWatchSuspension(std::intptr_t suspend) {
    FilterRecord* record = gHost.filterRecord;
    if (record->propertyProcs == nullptr || record->propertyProcs->setPropertyProc == nullptr) {
        return;
    }
    // Some hosts answer this property with an error; the cursor is cosmetic,
    // so the result is ignored.
    static_cast<void>(record->propertyProcs->setPropertyProc(record->hostSig, propWatchSuspension,
                                                             0, suspend, nullptr));
}

void Refuse(const char* message) {
    platform::ShowErrorMessage(message, platform::kErrorCaption);
    SetHostResult(userCanceledErr);
}

// The property list enables the filter for 8-bit RGB only, but some hosts
// call it on any document. A mode or depth of 0 is a host that does not fill
// the field; the plane count has then decided.
bool DocumentIsEightBitRgb() {
    const FilterRecord* record = gHost.filterRecord;
    const bool rgb = record->imageMode == plugInModeRGBColor || record->imageMode == 0;
    const bool eightBit = record->depth == 8 || record->depth == 0;
    return rgb && eightBit;
}

// The document checks, in the order users meet them. False after a refusal.
bool DocumentIsSuitable() {
    const FilterRecord* record = gHost.filterRecord;
    if (platform::ScreenHeight() < kMinimumScreenHeight ||
        platform::ScreenWidth() < kMinimumScreenWidth) {
        Refuse(kScreenTooSmall);
        return false;
    }
    if (record->wholeSize.h < kMinimumImageSide || record->wholeSize.v < kMinimumImageSide) {
        Refuse(kImageTooSmall);
        return false;
    }
    if (DocumentPlaneCount() != 3) {
        Refuse(kNotThreePlanes);
        return false;
    }
    if (!DocumentIsEightBitRgb()) {
        Refuse(kNotEightBitRgb);
        return false;
    }
    return true;
}

void DefaultTileSizes() {
    FilterRecord* record = gHost.filterRecord;
    for (std::int16_t* side :
         {&record->inTileHeight, &record->inTileWidth, &record->absTileHeight,
          &record->absTileWidth, &record->outTileHeight, &record->outTileWidth}) {
        if (*side == 0) {
            *side = kDefaultTileSide;
        }
    }
}

bool AllocateCurveTables() {
    ParameterBlock* block = gHost.parameterBlock;
    GlobalsBlock* globals = gHost.globalsBlock;
    for (int channel = 0; channel < 3; ++channel) {
        auto* table = static_cast<float*>(TrackedAlloc(kCurveTableBytes));
        globals->curveStorage[channel] = table;
        block->curveTables[channel] = table;
        if (table == nullptr) {
            return false;
        }
    }
    return true;
}

// After a failed analysis the tables would hold zeros and the levels would
// be equal, so the application would divide by zero; an identity correction
// lets the image through unchanged apart from the user's trims.
void UseIdentityCorrection() {
    ParameterBlock* block = gHost.parameterBlock;
    for (float* table : block->curveTables) {
        for (int i = 0; i < kCurveLength; ++i) {
            table[i] = static_cast<float>(i) / 255.0f;
        }
    }
    block->blackLevel = 0.0f;
    block->whiteLevel = 1.0f;
}

// Runs the dialog and acts on its code. False when the run ends here.
bool ConfirmWithDialog() {
    const std::int32_t code = platform::RunMainDialog();
    switch (code) {
    case platform::kDialogConfirmed: return true;
    // A cancel ends the run as failed: the error epilogue disposes of the
    // settings the dialog changed, so there is nothing to put back.
    case platform::kDialogCancelled:
    case platform::kDialogMessageShown: SetHostResult(userCanceledErr); return false;
    case platform::kDialogHostFailed:
        return false;  // the host's own code is already in the result slot
    default: SetHostResult(memFullErr); return false;
    }
}

}  // namespace

void HandleStart() {
    FilterRecord* record = gHost.filterRecord;
    ParameterBlock* block = gHost.parameterBlock;
    const std::int32_t width = record->wholeSize.h;
    const std::int32_t height = record->wholeSize.v;

    // Without advanceState no pixel can be read or written: nothing to show
    // the user, the host itself is unfit.
    if (record->advanceState == nullptr) {
        SetHostResult(filterBadParameters);
        return;
    }
    SetWatchSuspension(1);
    if (!DocumentIsSuitable()) {
        return;
    }
    ReportProgress(1, 3);
    DefaultTileSizes();
    if (record->descriptorParameters != nullptr) {
        static_cast<void>(LoadLastUsedSettings());  // failures leave the defaults
    }
    if (!AllocateCurveTables()) {
        return;
    }
    std::uint8_t showDialog = 1;
    if (record->descriptorParameters != nullptr) {
        static_cast<void>(ReadScriptParameters(&showDialog));
    }

    ReducedPlanes planes;
    const IntakeStatus intake = ReadAndReducePlanes(width, height, &planes);
    if (intake == IntakeStatus::ReductionFailed) {
        platform::ShowErrorMessage(kReductionFailed, platform::kInternalErrorCaption);
        SetHostResult(userCanceledErr);
        return;
    }
    if (intake != IntakeStatus::Ok) {
        return;
    }
    ReportProgress(2, 3);
    if (ComputeChannelCurves(planes.red, planes.green, planes.blue, planes.width, planes.height,
                             block) != 0) {
        UseIdentityCorrection();
    }
    planes.workBuffer.reset();
    ReportProgress(0, 3);

    if (showDialog != 0 && !ConfirmWithDialog()) {
        return;
    }
    gHost.globalsBlock->showDialog = 0;
    SetWatchSuspension(0);
    ApplyToImage();
}

}  // namespace mirtane
