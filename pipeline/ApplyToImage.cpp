#include "pipeline/ApplyToImage.h"

#include <algorithm>
#include <cassert>
#include <cstdint>

#include "pipeline/ApplyCurves.h"
#include "pipeline/HostRequest.h"

namespace mirtane {

namespace {

constexpr Fixed kFullResolution = 0x00010000;  // inputRate 1.0

// Extent of a rectangle side; an inverted side counts as empty.
std::int32_t Extent(std::int16_t low, std::int16_t high) { return high > low ? high - low : 0; }

std::int32_t TileCount(std::int32_t extent) {
    return (extent + kOutputTileSize - 1) / kOutputTileSize;
}

// The filter rectangle limited to the image: a host that reports a selection
// reaching past the document's edges gets no request for pixels it does not
// have (many cannot pad output). Inside the image nothing changes.
Rect AreaInsideImage(const FilterRecord& record) {
    Rect area = record.filterRect;
    area.top = std::max<std::int16_t>(area.top, 0);
    area.left = std::max<std::int16_t>(area.left, 0);
    area.bottom = std::min<std::int16_t>(area.bottom, record.wholeSize.v);
    area.right = std::min<std::int16_t>(area.right, record.wholeSize.h);
    return area;
}

}  // namespace

void ApplyToImage() {
    assert(CurrentFilterRecord() != nullptr);
    FilterRecord* record = CurrentFilterRecord();
    const Rect area = AreaInsideImage(*record);
    const std::int32_t tileRows = TileCount(Extent(area.top, area.bottom));
    const std::int32_t tileColumns = TileCount(Extent(area.left, area.right));
    const std::int32_t total = tileRows * tileColumns;

    record->inputRate = kFullResolution;
    record->inputPadding = 0;
    record->outputPadding = 0;

    std::int32_t done = 0;
    for (std::int32_t k = 0; k < tileRows; ++k) {
        const std::int32_t top = area.top + kOutputTileSize * k;
        const std::int32_t bottom = std::min<std::int32_t>(top + kOutputTileSize, area.bottom);
        for (std::int32_t m = 0; m < tileColumns; ++m) {
            const std::int32_t left = area.left + kOutputTileSize * m;
            const std::int32_t right = std::min<std::int32_t>(left + kOutputTileSize, area.right);
            const Rect tile = {static_cast<std::int16_t>(top), static_cast<std::int16_t>(left),
                               static_cast<std::int16_t>(bottom), static_cast<std::int16_t>(right)};
            record->inRect = tile;
            record->outRect = tile;
            record->inLoPlane = 0;
            record->outLoPlane = 0;
            record->inHiPlane = 2;
            record->outHiPlane = 2;
            if (RequestFromHost() != noErr) return;
            if (record->outData != nullptr) {
                ApplyCurvesToPixels(static_cast<std::uint8_t*>(record->outData),
                                    record->outRowBytes, record->outRect,
                                    PixelLayout{record->outColumnBytes, record->outPlaneBytes});
            }
            ++done;
            ReportProgress(done, total);
            if (UserCancelled()) {
                SetHostResult(userCanceledErr);
                return;
            }
        }
    }
}

}  // namespace mirtane
