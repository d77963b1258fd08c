// The preview's zoom: a table of power-of-two levels between the whole
// filter area (level 0) and one image pixel per screen pixel (the top
// level), the view origin, and the operation that turns level and origin
// into the preview pane's source rectangle and sampling rate.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pluginapi/PluginTypes.h"
#include "ui/ViewPane.h"

namespace mirtane::ui {

constexpr std::int32_t kZoomLevelCount = 15;  // levels 0 ... 14

// Image coordinates of the view's top-left corner. Kept in 32 bits so that
// steps and drags far past the image cannot wrap before the view is moved
// back inside the filter area.
struct ViewOrigin {
    std::int32_t top = 0;
    std::int32_t left = 0;
};

struct ZoomState {
    std::int16_t level = 0;
    std::int16_t topLevel = 0;
    ViewOrigin origin;
    // Entry i (i >= 1): half the change of view height (width) between level
    // i - 1 and level i, which keeps the view centred when zooming.
    std::int16_t stepY[kZoomLevelCount] = {};
    std::int16_t stepX[kZoomLevelCount] = {};
    // View size in image pixels at each level.
    std::int16_t viewHeight[kZoomLevelCount] = {};
    std::int16_t viewWidth[kZoomLevelCount] = {};
};

// Fills topLevel and the view and step tables for the filter area shown in
// the preview pane (whose width and height must be set). With ratio the
// nearest whole area-to-pane ratio (the larger of the two directions),
// topLevel = ceil(log2(ratio)), at most 14; the view at the top level is the
// pane's size, each level below doubles it, and level 0 is the whole area.
// Entries beyond topLevel are 0.
void BuildZoomTable(const Rect& filterRect, ZoomState& zoom, const ViewPane& preview);

// Writes the zoom percentage for `level` into `text` ("100%", "50%", "25%",
// "12.5%", "6.25%", "3.12%" ... "0.10%"), from the distance to the top
// level. Always NUL-terminates when size > 0.
void FormatZoomLabel(std::int32_t level, std::int32_t topLevel, char* text, std::size_t size);

// Moves the view (at origin, of the current level's size) inside the filter
// area, clears the lowest bit of its top and left, and sets the preview's
// sourceRect (the view divided by the sampling factor, with the pane's exact
// size) and samplingRate (factor * 65536). The factor is the nearest whole
// ratio of view to pane size. The moved, even origin is stored back.
void UpdatePreviewSource(const Rect& filterRect, ZoomState& zoom, ViewPane& preview);

// How the zoom buttons change after a zoom step.
enum class ButtonChange { Unchanged, Enable, Disable };
enum class FocusMove { None, ToZoomIn, ToZoomOut };
struct ZoomButtons {
    ButtonChange zoomIn = ButtonChange::Unchanged;
    ButtonChange zoomOut = ButtonChange::Unchanged;
    FocusMove focus = FocusMove::None;
};

// The initial view: level 0 with the whole area (origin at its top-left
// corner); "-" disabled, "+" enabled. Updates the preview source.
ZoomButtons ResetView(const Rect& filterRect, ZoomState& zoom, ViewPane& preview);

// One level in, keeping the view centred; at the top level "+" is disabled
// and the focus moves to "-". Updates the preview source.
ZoomButtons ZoomIn(const Rect& filterRect, ZoomState& zoom, ViewPane& preview);

// One level out, keeping the view centred; at level 0 "-" is disabled and
// the focus moves to "+". Updates the preview source.
ZoomButtons ZoomOut(const Rect& filterRect, ZoomState& zoom, ViewPane& preview);

}  // namespace mirtane::ui
