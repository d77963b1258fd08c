#include "ui/ViewPane.h"

#include <algorithm>

#include "analysis/Rounding.h"
#include "run/TrackedMemory.h"

namespace mirtane::ui {
namespace {

// The image sits 2 pixels inside its place holder, leaving room for the
// black frame that DrawPane draws around it.
constexpr std::int32_t kHolderInset = 2;

std::int32_t ScaleForExtent(std::int32_t imageExtent, std::int32_t paneExtent) {
    return RoundHalfUpNonNegative(static_cast<double>(imageExtent + paneExtent) / paneExtent);
}

}  // namespace

std::int32_t SetUpPane(const ScreenRect& holder, const DialogPoint& clientOrigin,
                       const Rect& filterRect, ViewPane& pane) {
    pane.pixels = nullptr;
    const std::int32_t innerWidth = holder.right - holder.left - 2 * kHolderInset;
    const std::int32_t innerHeight = holder.bottom - holder.top - 2 * kHolderInset;
    const std::int32_t areaWidth = filterRect.right - filterRect.left;
    const std::int32_t areaHeight = filterRect.bottom - filterRect.top;
    if (innerWidth <= 0 || innerHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) {
        return -1;
    }

    const std::int32_t scale =
        std::max(ScaleForExtent(areaWidth, innerWidth), ScaleForExtent(areaHeight, innerHeight));
    pane.sourceRect.top = static_cast<std::int16_t>(filterRect.top / scale);
    pane.sourceRect.left = static_cast<std::int16_t>(filterRect.left / scale);
    pane.sourceRect.bottom = static_cast<std::int16_t>(filterRect.bottom / scale);
    pane.sourceRect.right = static_cast<std::int16_t>(filterRect.right / scale);
    pane.samplingRate = scale << 16;
    pane.width = static_cast<std::int16_t>(pane.sourceRect.right - pane.sourceRect.left);
    pane.height = static_cast<std::int16_t>(pane.sourceRect.bottom - pane.sourceRect.top);
    if (pane.width <= 0 || pane.height <= 0) {
        return -1;
    }

    // Centred in the whole holder, in client coordinates.
    const std::int32_t left = (holder.left + holder.right - pane.width) / 2 - clientOrigin.x;
    const std::int32_t top = (holder.top + holder.bottom - pane.height) / 2 - clientOrigin.y;
    pane.displayRect.left = static_cast<std::int16_t>(left);
    pane.displayRect.top = static_cast<std::int16_t>(top);
    pane.displayRect.right = static_cast<std::int16_t>(left + pane.width);
    pane.displayRect.bottom = static_cast<std::int16_t>(top + pane.height);

    pane.pixelCount = static_cast<std::int32_t>(pane.width) * pane.height;
    pane.pixels =
        static_cast<std::uint8_t*>(TrackedAlloc(static_cast<std::uint64_t>(pane.pixelCount) * 3u));
    return pane.pixels != nullptr ? 0 : -1;
}

void ReleasePane(ViewPane& pane) {
    if (pane.pixels == nullptr) {
        return;
    }
    TrackedFree(pane.pixels);
    pane.pixels = nullptr;
}

}  // namespace mirtane::ui
