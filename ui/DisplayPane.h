// Handing a pane's buffer to the host's displayPixels callback.
#pragma once

#include <cstdint>

#include "pluginapi/FilterRecord.h"
#include "ui/ViewPane.h"

namespace mirtane::ui {

// The 8-bit counterpart of a host image mode: Gray16 -> grayscale, RGB48 ->
// RGB, Lab48 -> Lab, CMYK64 -> CMYK, deep multichannel -> multichannel,
// Duotone16 -> duotone; every other mode is returned unchanged.
std::int32_t EightBitImageMode(std::int16_t imageMode);

// Describes the pane's buffer as a version-1 pixel map: bounds at 0, 0 of
// the buffer's size, interleaved RGB (3 bytes a column, 1 a plane). When the
// record has a selection mask, `mask` is filled with the record's mask data
// and chained as the map's only mask; otherwise the map has none.
PSPixelMap DescribePanePixels(const ViewPane& pane, const FilterRecord& record, PSPixelMask& mask);

// Has the host draw the pane's buffer with its top-left corner at the
// pane's displayRect, into `platformContext` (the device context on
// Windows). Does nothing without a buffer or a displayPixels callback; the
// callback's result is not used.
void DisplayPane(const ViewPane& pane, void* platformContext);

}  // namespace mirtane::ui
