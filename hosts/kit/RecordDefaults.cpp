#include "hosts/kit/RecordDefaults.h"

#include "pluginapi/PluginConstants.h"

namespace hostkit {

void FillRecordDefaults(FilterRecord& record) {
    constexpr Fixed kSeventyTwoDpi = 72 << 16;
    record.hostSig = kPhotoshopSignature;
    record.imageMode = plugInModeRGBColor;
    record.imageHRes = kSeventyTwoDpi;
    record.imageVRes = kSeventyTwoDpi;
    record.depth = 8;
    record.background = RGBColor{65535, 65535, 65535};
    record.foreground = RGBColor{0, 0, 0};
    record.backColor[0] = record.backColor[1] = record.backColor[2] = 255;
    record.autoMask = 1;
    record.supportsPadding = 1;
    record.inputPadding = plugInWantsErrorOnBoundsException;
    record.outputPadding = plugInWantsErrorOnBoundsException;
    record.maskPadding = plugInWantsErrorOnBoundsException;
    record.samplingSupport = 1;
    record.inputRate = kFixedOne;
    record.maskRate = kFixedOne;
    record.dummyPlaneValue = -1;
}

void ClearPixelPointers(FilterRecord& record) {
    record.inData = nullptr;
    record.inRowBytes = 0;
    record.outData = nullptr;
    record.outRowBytes = 0;
    record.maskData = nullptr;
    record.maskRowBytes = 0;
}

}  // namespace hostkit
