#include "hosts/testhost/DisplayPixels.h"

#include <cstddef>

#include "pluginapi/PluginConstants.h"

namespace testhost {
namespace {

constexpr int kDefaultSurfaceWidth = 1024;
constexpr int kDefaultSurfaceHeight = 768;
constexpr int kCheckerSize = 8;  // transparent parts show an 8 x 8 checkerboard
constexpr std::uint8_t kCheckerLight = 255;
constexpr std::uint8_t kCheckerDark = 204;

struct DisplayState {
    std::vector<DisplayCall> calls;
    Image surface;
};

DisplayState& State() {
    static DisplayState state;
    return state;
}

bool ValidRect(const VRect& rect, const VRect& bounds) {
    return rect.top >= bounds.top && rect.left >= bounds.left && rect.bottom <= bounds.bottom &&
           rect.right <= bounds.right && rect.bottom > rect.top && rect.right > rect.left;
}

// Reads the source rectangle of the map as RGB.
Image ReadMap(const PSPixelMap& map, const VRect& rect) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    Image rgb = hostkit::MakeImage(width, height);
    const auto* base = static_cast<const std::uint8_t*>(map.baseAddr);
    const bool gray = map.imageMode == plugInModeGrayScale;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::ptrdiff_t offset =
                static_cast<std::ptrdiff_t>(rect.top + y - map.bounds.top) * map.rowBytes +
                static_cast<std::ptrdiff_t>(rect.left + x - map.bounds.left) * map.colBytes;
            for (int plane = 0; plane < 3; ++plane) {
                rgb.At(x, y, plane) = base[offset + (gray ? 0 : plane * map.planeBytes)];
            }
        }
    }
    return rgb;
}

// The mask value (0 transparent ... 255 opaque) of map pixel (x, y) of the
// source rectangle, or 255 without a mask.
std::uint8_t MaskValue(const PSPixelMap& map, const VRect& rect, int x, int y) {
    if (map.version < 1 || map.masks == nullptr || map.masks->maskData == nullptr) {
        return 255;
    }
    const PSPixelMask& mask = *map.masks;
    const auto* data = static_cast<const std::uint8_t*>(mask.maskData);
    return data[static_cast<std::ptrdiff_t>(rect.top + y - map.bounds.top) * mask.rowBytes +
                static_cast<std::ptrdiff_t>(rect.left + x - map.bounds.left) * mask.colBytes];
}

// What the user sees of the drawn pixels: with a mask, the pixels over a
// checkerboard (fixed to the surface) in proportion to the mask.
Image Composite(const PSPixelMap& map, const DisplayCall& call) {
    Image shown = call.pixels;
    for (int y = 0; y < shown.height; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            const int alpha = MaskValue(map, call.sourceRect, x, y);
            if (alpha == 255) {
                continue;
            }
            const int column = call.destinationColumn + x;
            const int row = call.destinationRow + y;
            const int checker = ((column / kCheckerSize + row / kCheckerSize) % 2) == 0
                                    ? kCheckerLight
                                    : kCheckerDark;
            for (int plane = 0; plane < 3; ++plane) {
                const int value =
                    (shown.At(x, y, plane) * alpha + checker * (255 - alpha) + 127) / 255;
                shown.At(x, y, plane) = static_cast<std::uint8_t>(value);
            }
        }
    }
    return shown;
}

// Copies a composed image onto the surface at the call's place, clipped.
void PutOnSurface(const Image& shown, const DisplayCall& call) {
    Image& surface = State().surface;
    for (int y = 0; y < shown.height; ++y) {
        const int row = call.destinationRow + y;
        for (int x = 0; x < shown.width; ++x) {
            const int column = call.destinationColumn + x;
            if (row < 0 || row >= surface.height || column < 0 || column >= surface.width) {
                continue;
            }
            for (int plane = 0; plane < 3; ++plane) {
                surface.At(column, row, plane) = shown.At(x, y, plane);
            }
        }
    }
}

}  // namespace

void ResetDisplay(int width, int height) {
    State().calls.clear();
    State().surface = hostkit::MakeImage(width, height);
}

const std::vector<DisplayCall>& DisplayCalls() { return State().calls; }

const Image& DisplaySurface() { return State().surface; }

OSErr PI_CDECL DisplayPixels(const PSPixelMap* source, const VRect* sourceRect,
                             std::int32_t destinationRow, std::int32_t destinationColumn,
                             void* platformContext) {
    DisplayState& state = State();
    if (state.surface.Empty()) {
        ResetDisplay(kDefaultSurfaceWidth, kDefaultSurfaceHeight);
    }
    DisplayCall call;
    call.destinationRow = destinationRow;
    call.destinationColumn = destinationColumn;
    call.platformContext = platformContext;
    if (sourceRect != nullptr) {
        call.sourceRect = *sourceRect;
    }
    if (source != nullptr) {
        call.imageMode = source->imageMode;
        call.masked = source->version >= 1 && source->masks != nullptr;
    }
    bool valid = source != nullptr && sourceRect != nullptr && source->baseAddr != nullptr &&
                 source->rowBytes != 0 && ValidRect(*sourceRect, source->bounds);
#ifdef _WIN32
    valid = valid && platformContext != nullptr;
#endif
    if (!valid) {
        call.result = filterBadParameters;
        state.calls.push_back(std::move(call));
        return filterBadParameters;
    }
    const bool drawable =
        source->imageMode == plugInModeRGBColor || source->imageMode == plugInModeGrayScale;
    if (drawable) {
        call.pixels = ReadMap(*source, *sourceRect);
        const Image shown = Composite(*source, call);
        PutOnSurface(shown, call);
#ifdef _WIN32
        if (!DrawToDevice(shown, destinationRow, destinationColumn, platformContext)) {
            call.result = filterBadParameters;
        }
#endif
    }
    const OSErr result = call.result;
    state.calls.push_back(std::move(call));
    return result;
}

}  // namespace testhost
