#include "hosts/prodhost/PixelWindows.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "hosts/kit/RecordDefaults.h"
#include "pluginapi/PluginConstants.h"

namespace prodhost {
namespace {

bool Contains(const Rect& outer, const Rect& inner) {
    return inner.top >= outer.top && inner.left >= outer.left && inner.bottom <= outer.bottom &&
           inner.right <= outer.right;
}

Rect Intersection(const Rect& a, const Rect& b) {
    return Rect{std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom),
                std::min(a.right, b.right)};
}

Rect WholeImage(const ImageView& image) {
    return Rect{0, 0, static_cast<std::int16_t>(image.height),
                static_cast<std::int16_t>(image.width)};
}

std::size_t RowBytes(const ImageView& image) {
    return static_cast<std::size_t>(image.width) * kImagePlanes;
}

std::uint8_t* PixelAt(const ImageView& image, int x, int y) {
    return image.pixels + static_cast<std::size_t>(y) * RowBytes(image) +
           static_cast<std::size_t>(x) * kImagePlanes;
}

// Integral hosts round the 16.16 rate to the nearest integer; 0 counts as 1.
bool FullResolution(Fixed rate) {
    const std::int64_t rounded = (static_cast<std::int64_t>(rate) + 0x8000) >> 16;
    return rounded <= 1;
}

}  // namespace

bool RectEmpty(const Rect& rect) { return rect.right <= rect.left || rect.bottom <= rect.top; }

PixelWindows::~PixelWindows() {
    Close(input_);
    Close(output_);
}

void PixelWindows::Close(Window& window) {
    if (window.staged != nullptr) {
        pool_.Give(window.staged);
    }
    window = Window{};
}

// `writable` is where the area may be written in place: the image for
// input, the image and the selection for output.
OSErr PixelWindows::Open(const AreaRequest& request, const ImageView& image, const Rect& writable,
                         Window& window) {
    window = Window{};
    if (RectEmpty(request.rect)) {
        return noErr;
    }
    if (request.loPlane < 0 || request.hiPlane < request.loPlane ||
        request.hiPlane >= kImagePlanes) {
        return paramErr;
    }
    if (request.padding < plugInWantsErrorOnBoundsException || request.padding > 255 ||
        !FullResolution(request.rate)) {
        return paramErr;
    }
    const Rect& rect = request.rect;
    window.rect = rect;
    window.loPlane = request.loPlane;
    window.planeCount = request.hiPlane - request.loPlane + 1;
    const bool insideImage = Contains(WholeImage(image), rect);
    if (Contains(writable, rect)) {
        window.data = PixelAt(image, rect.left, rect.top) + request.loPlane;
        window.rowBytes = static_cast<std::int32_t>(RowBytes(image));
        window.columnBytes = kImagePlanes;
        window.planeBytes = 1;
        return noErr;
    }
    if (!insideImage && request.padding == plugInWantsErrorOnBoundsException) {
        return paramErr;
    }
    const int rows = rect.bottom - rect.top;
    const int columns = rect.right - rect.left;
    const std::int64_t rowBytes = static_cast<std::int64_t>(columns) * window.planeCount;
    if (rowBytes * rows > std::numeric_limits<std::int32_t>::max()) {
        return memFullErr;
    }
    window.staged =
        static_cast<std::uint8_t*>(pool_.Take(static_cast<std::size_t>(rowBytes * rows)));
    if (window.staged == nullptr) {
        return memFullErr;
    }
    window.data = window.staged;
    window.rowBytes = static_cast<std::int32_t>(rowBytes);
    window.columnBytes = window.planeCount;
    window.planeBytes = 1;
    for (int r = 0; r < rows; ++r) {
        std::uint8_t* pixel = window.staged + static_cast<std::size_t>(r) * window.rowBytes;
        for (int c = 0; c < columns; ++c, pixel += window.planeCount) {
            int x = rect.left + c;
            int y = rect.top + r;
            if (x < 0 || y < 0 || x >= image.width || y >= image.height) {
                if (request.padding >= 0) {
                    std::memset(pixel, request.padding,
                                static_cast<std::size_t>(window.planeCount));
                    continue;
                }
                if (request.padding != plugInWantsEdgeReplication) {
                    continue;  // no padding wanted: the bytes are left as they are
                }
                x = std::clamp(x, 0, image.width - 1);
                y = std::clamp(y, 0, image.height - 1);
            }
            std::memcpy(pixel, PixelAt(image, x, y) + request.loPlane,
                        static_cast<std::size_t>(window.planeCount));
        }
    }
    return noErr;
}

void PixelWindows::Commit(const ImageView& image, const Rect& selection) {
    if (output_.staged == nullptr) {
        return;
    }
    const Rect target = Intersection(Intersection(output_.rect, WholeImage(image)), selection);
    for (int y = target.top; y < target.bottom; ++y) {
        const std::uint8_t* from =
            output_.staged + static_cast<std::size_t>(y - output_.rect.top) * output_.rowBytes +
            static_cast<std::size_t>(target.left - output_.rect.left) * output_.planeCount;
        for (int x = target.left; x < target.right; ++x, from += output_.planeCount) {
            std::memcpy(PixelAt(image, x, y) + output_.loPlane, from,
                        static_cast<std::size_t>(output_.planeCount));
        }
    }
    // Written once: a second commit before the next request changes nothing.
    pool_.Give(output_.staged);
    output_.staged = nullptr;
}

void PixelWindows::Release(FilterRecord& record) {
    Close(input_);
    Close(output_);
    hostkit::ClearPixelPointers(record);
}

OSErr PixelWindows::Advance(FilterRecord& record, const ImageView& image, const Rect& selection) {
    Commit(image, selection);
    Release(record);
    const Rect whole = WholeImage(image);
    const AreaRequest in{record.inRect, record.inLoPlane, record.inHiPlane, record.inputRate,
                         record.inputPadding};
    const AreaRequest out{record.outRect, record.outLoPlane, record.outHiPlane, kFixedOne,
                          record.outputPadding};
    OSErr result = Open(in, image, whole, input_);
    if (result == noErr) {
        result = Open(out, image, Intersection(whole, selection), output_);
    }
    if (result != noErr) {
        Release(record);
        return result;
    }
    record.inData = input_.data;
    record.inRowBytes = input_.rowBytes;
    record.inColumnBytes = input_.columnBytes;
    record.inPlaneBytes = input_.planeBytes;
    record.outData = output_.data;
    record.outRowBytes = output_.rowBytes;
    record.outColumnBytes = output_.columnBytes;
    record.outPlaneBytes = output_.planeBytes;
    return noErr;
}

}  // namespace prodhost
