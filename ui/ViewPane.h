// One image pane of the main dialog: the large preview or the small
// navigator. A pane asks the host for a rectangle of the image at a
// whole-number sampling rate, keeps the delivered pixels in a buffer of its
// own and has the host draw that buffer into the dialog.
#pragma once

#include <cstdint>

#include "pluginapi/PluginTypes.h"

namespace mirtane::ui {

// Ids of the hidden static controls that mark each pane's place.
constexpr std::int32_t kPreviewPaneId = 32;
constexpr std::int32_t kNavigatorPaneId = 30;

struct ViewPane {
    std::int32_t controlId = 0;
    Rect sourceRect{};       // requested from the host, in sampled coordinates
    Fixed samplingRate = 0;  // always a whole number n, stored as n * 65536
    Rect displayRect{};      // where the pixels are drawn, in dialog client coordinates
    std::int16_t width = 0;  // buffer size, fixed at set-up
    std::int16_t height = 0;
    std::int32_t pixelCount = 0;
    std::uint8_t* pixels = nullptr;  // width * height * 3 bytes, red, green, blue, top row first
};

// The pane's scale: the integer part of its sampling rate.
inline std::int32_t PaneScale(const ViewPane& pane) { return pane.samplingRate >> 16; }

// A rectangle in screen coordinates, as the window manager reports it.
struct ScreenRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// A point in dialog client coordinates.
struct DialogPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// Lays the pane out in its place holder and allocates its buffer.
//   holder:       the place-holder control's window rectangle (screen);
//   clientOrigin: the dialog's client origin in screen coordinates;
//   filterRect:   the image area the pane shows.
// The scale is the smallest whole rate at which the area fits the holder
// shrunk by 2 pixels on every side (rounded to nearest, so an area less than
// half the holder is shown 1:1 and one exactly as wide is shown at rate 2);
// the image is centred in the holder. The buffer comes from TrackedAlloc,
// zero-filled. Returns 0, or -1 when the holder or the area is degenerate or
// the buffer cannot be allocated (the pane then owns no buffer).
[[nodiscard]] std::int32_t SetUpPane(const ScreenRect& holder, const DialogPoint& clientOrigin,
                                     const Rect& filterRect, ViewPane& pane);

// Releases the pane's buffer through TrackedFree; a missing buffer is ignored.
void ReleasePane(ViewPane& pane);

// Whether the point lies inside the rectangle, all four edges included.
inline bool Contains(const Rect& rect, const DialogPoint& point) {
    return point.x >= rect.left && point.x <= rect.right && point.y >= rect.top &&
           point.y <= rect.bottom;
}

}  // namespace mirtane::ui
