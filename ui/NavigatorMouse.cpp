#include "ui/NavigatorMouse.h"

#include <algorithm>

namespace mirtane::ui {
namespace {

std::int32_t ScaleOf(const ViewPane& pane) { return std::max(PaneScale(pane), 1); }

// During a drag the pointer counts as no further right or down than the
// navigator's edges; there is no limit to the left or up, where the view
// stops at the image's edge anyway.
DialogPoint LimitToNavigator(const DialogPoint& point, const ViewPane& navigator) {
    return DialogPoint{std::min<std::int32_t>(point.x, navigator.displayRect.right),
                       std::min<std::int32_t>(point.y, navigator.displayRect.bottom)};
}

std::int32_t CurrentLevel(const ZoomState& zoom) {
    return std::clamp<std::int32_t>(zoom.level, 0, kZoomLevelCount - 1);
}

}  // namespace

Rect ViewFrameRect(const Rect& filterRect, const ViewPane& preview, const ViewPane& navigator) {
    const std::int32_t previewScale = ScaleOf(preview);
    const std::int32_t navigatorScale = ScaleOf(navigator);
    std::int32_t top = preview.sourceRect.top * previewScale;
    std::int32_t left = preview.sourceRect.left * previewScale;
    std::int32_t bottom = preview.sourceRect.bottom * previewScale;
    std::int32_t right = preview.sourceRect.right * previewScale;
    if (filterRect.top != 0 || filterRect.left != 0) {
        top -= filterRect.top;
        bottom -= filterRect.top;
        left -= filterRect.left;
        right -= filterRect.left;
    }
    top /= navigatorScale;
    left /= navigatorScale;
    bottom /= navigatorScale;
    right /= navigatorScale;

    const std::int32_t frameTop = navigator.displayRect.top + std::max(top, 0);
    const std::int32_t frameLeft = navigator.displayRect.left + std::max(left, 0);
    return Rect{static_cast<std::int16_t>(frameTop), static_cast<std::int16_t>(frameLeft),
                static_cast<std::int16_t>(frameTop + (bottom - top)),
                static_cast<std::int16_t>(frameLeft + (right - left))};
}

ImagePoint NavigatorToImage(const DialogPoint& point, const Rect& filterRect,
                            const ViewPane& navigator) {
    const std::int32_t scale = PaneScale(navigator);
    return ImagePoint{filterRect.left + scale * (point.x - navigator.displayRect.left),
                      filterRect.top + scale * (point.y - navigator.displayRect.top)};
}

MouseActions OnLeftButtonDown(NavigatorModel& model, const DialogPoint& point) {
    MouseActions actions;
    DragState& drag = model.drag;
    drag.previous = point;
    drag.moved = false;
    if (!Contains(model.navigator.displayRect, point)) {
        return actions;
    }
    drag.dragging = true;
    actions.captureMouse = true;
    // Unprocessed while the button is down: only the host request and the
    // copy run per update.
    model.showCorrected = false;
    const std::int32_t level = CurrentLevel(model.zoom);
    if (Contains(drag.viewFrame, point)) {
        const ImagePoint grabbed = NavigatorToImage(point, model.filterRect, model.navigator);
        drag.grabOffset =
            ImagePoint{grabbed.x - model.zoom.origin.left, grabbed.y - model.zoom.origin.top};
        model.cursor = CursorChoice::ClosedHand;
    } else {
        drag.grabOffset =
            ImagePoint{model.zoom.viewWidth[level] / 2, model.zoom.viewHeight[level] / 2};
        model.cursor = CursorChoice::PointingHand;
    }
    actions.invalidatePanes = true;
    return actions;
}

MouseActions OnMouseMove(NavigatorModel& model, const DialogPoint& point, bool leftButtonOnly) {
    MouseActions actions;
    DragState& drag = model.drag;
    if (!leftButtonOnly) {
        if (Contains(drag.viewFrame, point)) {
            model.cursor = CursorChoice::OpenHand;
        } else if (Contains(model.navigator.displayRect, point)) {
            model.cursor = CursorChoice::PointingHand;
        } else {
            model.cursor = CursorChoice::HostCursor;
        }
        return actions;
    }
    if (!drag.dragging) {
        return actions;
    }
    const DialogPoint limited = LimitToNavigator(point, model.navigator);
    model.cursor = CursorChoice::ClosedHand;
    const ImagePoint pointed = NavigatorToImage(limited, model.filterRect, model.navigator);
    ViewOrigin& origin = model.zoom.origin;
    origin = ViewOrigin{pointed.y - drag.grabOffset.y, pointed.x - drag.grabOffset.x};
    const std::int32_t previewScale = PaneScale(model.preview);
    origin.left -= (limited.x - drag.previous.x) * previewScale;
    origin.top -= (limited.y - drag.previous.y) * previewScale;
    drag.previous = limited;
    UpdatePreviewSource(model.filterRect, model.zoom, model.preview);
    actions.invalidatePanes = true;
    drag.moved = true;
    return actions;
}

MouseActions OnLeftButtonUp(NavigatorModel& model, const DialogPoint& point, bool afterSelected) {
    MouseActions actions;
    DragState& drag = model.drag;
    if (!drag.dragging) {
        return actions;
    }
    const DialogPoint limited = LimitToNavigator(point, model.navigator);
    model.showCorrected = afterSelected;
    if (!Contains(drag.viewFrame, limited)) {
        // A click beside the frame centres the view on the release point.
        const std::int32_t level = CurrentLevel(model.zoom);
        const ImagePoint pointed = NavigatorToImage(limited, model.filterRect, model.navigator);
        model.zoom.origin = ViewOrigin{pointed.y - model.zoom.viewHeight[level] / 2,
                                       pointed.x - model.zoom.viewWidth[level] / 2};
        UpdatePreviewSource(model.filterRect, model.zoom, model.preview);
        actions.invalidatePanes = true;
    } else if (model.showCorrected) {
        if (drag.moved) {
            UpdatePreviewSource(model.filterRect, model.zoom, model.preview);
            drag.moved = false;
        }
        actions.invalidatePanes = true;
    }
    model.cursor = CursorChoice::OpenHand;
    drag.dragging = false;
    drag.moved = false;
    actions.releaseCapture = true;
    return actions;
}

}  // namespace mirtane::ui
