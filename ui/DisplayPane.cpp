#include "ui/DisplayPane.h"

#include "run/HostState.h"

namespace mirtane::ui {

std::int32_t EightBitImageMode(std::int16_t imageMode) {
    switch (imageMode) {
    case plugInModeGray16: return plugInModeGrayScale;
    case plugInModeRGB48: return plugInModeRGBColor;
    case plugInModeLab48: return plugInModeLabColor;
    case plugInModeCMYK64: return plugInModeCMYKColor;
    case plugInModeDeepMultichannel: return plugInModeMultichannel;
    case plugInModeDuotone16: return plugInModeDuotone;
    default: return imageMode;
    }
}

PSPixelMap DescribePanePixels(const ViewPane& pane, const FilterRecord& record, PSPixelMask& mask) {
    PSPixelMap map{};
    map.version = 1;
    map.bounds = VRect{0, 0, pane.height, pane.width};
    map.imageMode = EightBitImageMode(record.imageMode);
    map.rowBytes = pane.width * 3;
    map.colBytes = 3;
    map.planeBytes = 1;
    map.baseAddr = pane.pixels;
    map.mat = nullptr;
    map.masks = nullptr;
    map.maskPhaseRow = 1;
    map.maskPhaseCol = 1;
    if (record.haveMask != 0) {
        mask = PSPixelMask{};
        mask.next = nullptr;
        mask.maskData = record.maskData;
        mask.rowBytes = record.maskRowBytes;
        mask.colBytes = 1;
        mask.maskDescription = 0;  // a simple mask
        map.masks = &mask;
    }
    return map;
}

void DisplayPane(const ViewPane& pane, void* platformContext) {
    const FilterRecord* record = gHost.filterRecord;
    if (record == nullptr || record->displayPixels == nullptr || pane.pixels == nullptr) {
        return;
    }
    PSPixelMask mask{};
    const PSPixelMap map = DescribePanePixels(pane, *record, mask);
    // What the host draws is not checked: a failed draw leaves the pane
    // blank, and the next paint tries again.
    static_cast<void>(record->displayPixels(&map, &map.bounds, pane.displayRect.top,
                                            pane.displayRect.left, platformContext));
}

}  // namespace mirtane::ui
