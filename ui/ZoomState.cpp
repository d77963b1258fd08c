#include "ui/ZoomState.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "analysis/Rounding.h"

namespace mirtane::ui {
namespace {

constexpr std::int16_t kHighestLevel = kZoomLevelCount - 1;

// The nearest whole ratio of two extents, the larger of both directions;
// never below 1, so that a view is never asked for at a rate of 0.
std::int32_t NearestRatio(std::int32_t height, std::int32_t width, std::int32_t paneHeight,
                          std::int32_t paneWidth) {
    if (paneHeight <= 0 || paneWidth <= 0) {
        return 1;
    }
    const std::int32_t ratio =
        std::max(RoundHalfUpNonNegative(static_cast<double>(height) / paneHeight),
                 RoundHalfUpNonNegative(static_cast<double>(width) / paneWidth));
    return std::max(ratio, 1);
}

}  // namespace

void BuildZoomTable(const Rect& filterRect, ZoomState& zoom, const ViewPane& preview) {
    const std::int32_t areaWidth = filterRect.right - filterRect.left;
    const std::int32_t areaHeight = filterRect.bottom - filterRect.top;
    std::fill(std::begin(zoom.stepY), std::end(zoom.stepY), std::int16_t{0});
    std::fill(std::begin(zoom.stepX), std::end(zoom.stepX), std::int16_t{0});
    std::fill(std::begin(zoom.viewHeight), std::end(zoom.viewHeight), std::int16_t{0});
    std::fill(std::begin(zoom.viewWidth), std::end(zoom.viewWidth), std::int16_t{0});

    const std::int32_t ratio = NearestRatio(areaHeight, areaWidth, preview.height, preview.width);
    const float exponent = static_cast<float>(std::log(static_cast<double>(ratio)) / std::log(2.0));
    std::int32_t topLevel = FloorToInt(exponent);
    if (static_cast<float>(topLevel) != exponent) {
        ++topLevel;
    }
    zoom.topLevel = static_cast<std::int16_t>(std::min<std::int32_t>(topLevel, kHighestLevel));

    zoom.viewWidth[zoom.topLevel] = preview.width;
    zoom.viewHeight[zoom.topLevel] = preview.height;
    for (std::int32_t i = zoom.topLevel - 1; i >= 1; --i) {
        zoom.viewWidth[i] = static_cast<std::int16_t>(2 * zoom.viewWidth[i + 1]);
        zoom.viewHeight[i] = static_cast<std::int16_t>(2 * zoom.viewHeight[i + 1]);
    }
    zoom.viewWidth[0] = static_cast<std::int16_t>(areaWidth);
    zoom.viewHeight[0] = static_cast<std::int16_t>(areaHeight);

    for (std::int32_t i = 1; i <= zoom.topLevel; ++i) {
        zoom.stepY[i] =
            static_cast<std::int16_t>((zoom.viewHeight[i - 1] - zoom.viewHeight[i]) / 2);
        zoom.stepX[i] = static_cast<std::int16_t>((zoom.viewWidth[i - 1] - zoom.viewWidth[i]) / 2);
    }
}

void FormatZoomLabel(std::int32_t level, std::int32_t topLevel, char* text, std::size_t size) {
    if (text == nullptr || size == 0) {
        return;
    }
    // The percentages below 10 % are the float constants of a halving
    // series rounded to two places, so 3.125 reads "3.12".
    switch (std::max(topLevel - level, 0)) {
    case 0: std::snprintf(text, size, "%3.f%%", 100.0); break;
    case 1: std::snprintf(text, size, "%2.f%%", 50.0); break;
    case 2: std::snprintf(text, size, "%2.f%%", 25.0); break;
    case 3: std::snprintf(text, size, "%3.1f%%", 12.5); break;
    case 4: std::snprintf(text, size, "%3.2f%%", 6.25); break;
    case 5: std::snprintf(text, size, "%3.2f%%", static_cast<double>(3.12f)); break;
    case 6: std::snprintf(text, size, "%3.2f%%", static_cast<double>(1.56f)); break;
    case 7: std::snprintf(text, size, "%3.2f%%", static_cast<double>(0.78f)); break;
    case 8: std::snprintf(text, size, "%3.2f%%", static_cast<double>(0.39f)); break;
    case 9: std::snprintf(text, size, "%3.2f%%", static_cast<double>(0.2f)); break;
    default: std::snprintf(text, size, "%3.2f%%", static_cast<double>(0.1f)); break;
    }
}

void UpdatePreviewSource(const Rect& filterRect, ZoomState& zoom, ViewPane& preview) {
    const std::int32_t level = Clamp<std::int32_t>(zoom.level, 0, kHighestLevel);
    const std::int32_t viewHeight = zoom.viewHeight[level];
    const std::int32_t viewWidth = zoom.viewWidth[level];

    std::int32_t top = zoom.origin.top;
    std::int32_t left = zoom.origin.left;
    const bool outside = top < filterRect.top || left < filterRect.left ||
                         top + viewHeight > filterRect.bottom ||
                         left + viewWidth > filterRect.right;
    if (outside) {
        top = std::max<std::int32_t>(std::min<std::int32_t>(top, filterRect.bottom - viewHeight),
                                     filterRect.top);
        left = std::max<std::int32_t>(std::min<std::int32_t>(left, filterRect.right - viewWidth),
                                      filterRect.left);
    }

    const std::int32_t factor = NearestRatio(viewHeight, viewWidth, preview.height, preview.width);
    // The view starts on even image coordinates, a whole sample of the
    // host's half-size image.
    top &= ~std::int32_t{1};
    left &= ~std::int32_t{1};

    preview.sourceRect.top = static_cast<std::int16_t>(top / factor);
    preview.sourceRect.left = static_cast<std::int16_t>(left / factor);
    preview.sourceRect.bottom = static_cast<std::int16_t>(preview.sourceRect.top + preview.height);
    preview.sourceRect.right = static_cast<std::int16_t>(preview.sourceRect.left + preview.width);
    preview.samplingRate = factor << 16;
    zoom.origin = ViewOrigin{top, left};
}

ZoomButtons ResetView(const Rect& filterRect, ZoomState& zoom, ViewPane& preview) {
    zoom.level = 0;
    // The centring formula, which at level 0 (the whole area) gives the
    // area's top-left corner.
    zoom.origin.top =
        filterRect.top + (filterRect.bottom - filterRect.top - zoom.viewHeight[0]) / 2;
    zoom.origin.left =
        filterRect.left + (filterRect.right - filterRect.left - zoom.viewWidth[0]) / 2;
    UpdatePreviewSource(filterRect, zoom, preview);
    ZoomButtons buttons;
    buttons.zoomIn = ButtonChange::Enable;
    buttons.zoomOut = ButtonChange::Disable;
    return buttons;
}

ZoomButtons ZoomIn(const Rect& filterRect, ZoomState& zoom, ViewPane& preview) {
    ZoomButtons buttons;
    ++zoom.level;
    buttons.zoomOut = ButtonChange::Enable;
    if (zoom.level >= zoom.topLevel) {
        buttons.zoomIn = ButtonChange::Disable;
        buttons.focus = FocusMove::ToZoomOut;
        zoom.level = zoom.topLevel;
    }
    zoom.origin.top += zoom.stepY[zoom.level];
    zoom.origin.left += zoom.stepX[zoom.level];
    UpdatePreviewSource(filterRect, zoom, preview);
    return buttons;
}

ZoomButtons ZoomOut(const Rect& filterRect, ZoomState& zoom, ViewPane& preview) {
    ZoomButtons buttons;
    --zoom.level;
    buttons.zoomIn = ButtonChange::Enable;
    if (zoom.level <= 0) {
        buttons.zoomOut = ButtonChange::Disable;
        buttons.focus = FocusMove::ToZoomIn;
        zoom.level = 0;
    }
    zoom.origin.top -= zoom.stepY[zoom.level + 1];
    zoom.origin.left -= zoom.stepX[zoom.level + 1];
    UpdatePreviewSource(filterRect, zoom, preview);
    return buttons;
}

}  // namespace mirtane::ui
