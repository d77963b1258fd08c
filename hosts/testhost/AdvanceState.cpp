#include "hosts/testhost/AdvanceState.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "hosts/kit/RecordDefaults.h"
#include "pluginapi/PluginConstants.h"

namespace testhost {
namespace {

// Bytes of a delivered area that no pixel fills (row padding, padding mode
// -2) hold this value, so a plug-in reading them gets visibly wrong data.
constexpr std::uint8_t kUndefinedByte = 0xEE;

// A full-resolution plane set to read from; null data reads as 255
// everywhere (a selection mask that selects every pixel).
struct Source {
    const std::uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    int planes = 1;

    std::uint8_t Pixel(int x, int y, int plane) const {
        if (data == nullptr) {
            return 255;
        }
        return data[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(x)) *
                        static_cast<std::size_t>(planes) +
                    static_cast<std::size_t>(plane)];
    }
};

struct AreaRequest {
    Rect rect;
    int loPlane = 0;
    int planeCount = 1;
    int rate = 1;
    std::int16_t padding = 0;
};

int RateOf(Fixed rate) {
    const std::int64_t rounded = (static_cast<std::int64_t>(rate) + 0x8000) >> 16;
    return rounded < 1 ? 1 : static_cast<int>(std::min<std::int64_t>(rounded, 32767));
}

// Value of sample (sx, sy) in the image sampled at `rate`.
std::uint8_t Sample(const Source& source, int sx, int sy, int plane, int rate, Sampling mode) {
    const int x0 = sx * rate;
    const int y0 = sy * rate;
    if (rate == 1 || mode == Sampling::Point) {
        return source.Pixel(x0, y0, plane);
    }
    std::uint64_t sum = 0;
    for (int y = y0; y < y0 + rate; ++y) {
        for (int x = x0; x < x0 + rate; ++x) {
            sum += source.Pixel(x, y, plane);
        }
    }
    const std::uint64_t count = static_cast<std::uint64_t>(rate) * static_cast<std::uint64_t>(rate);
    return static_cast<std::uint8_t>((sum + count / 2) / count);
}

// Full-resolution delivery of an area inside the image: the common request,
// copied row by row (whole rows at once when every plane is asked for) so
// that benchmarks through the host measure the plug-in rather than the host.
void CopyInside(const Source& source, const AreaRequest& request, std::uint8_t* bytes) {
    const Rect& rect = request.rect;
    const auto planes = static_cast<std::size_t>(source.planes);
    const auto count = static_cast<std::size_t>(request.planeCount);
    const auto columns = static_cast<std::size_t>(rect.right - rect.left);
    for (int y = rect.top; y < rect.bottom; ++y) {
        const std::uint8_t* from =
            source.data +
            (static_cast<std::size_t>(y) * static_cast<std::size_t>(source.width) +
             static_cast<std::size_t>(rect.left)) *
                planes +
            static_cast<std::size_t>(request.loPlane);
        if (count == planes) {
            std::memcpy(bytes, from, columns * planes);
            bytes += columns * planes;
            continue;
        }
        for (std::size_t c = 0; c < columns; ++c, from += planes) {
            for (std::size_t p = 0; p < count; ++p) {
                *bytes++ = from[p];
            }
        }
    }
}

template <typename AreaT>
OSErr Deliver(const Source& source, const AreaRequest& request, const ExchangeOptions& options,
              AreaT& area) {
    area.rect = request.rect;
    area.loPlane = request.loPlane;
    area.planeCount = request.planeCount;
    area.rowBytes = 0;
    area.pixelBytes = std::max(request.planeCount, options.bytesPerPixel);
    area.firstOffset = 0;
    area.reportedColumns = area.pixelBytes;
    if (options.blueGreenRed && request.planeCount == 1) {
        // The host copies into its own blue-green-red pixel: the one plane
        // asked for lands in the last byte, and the layout it reports is
        // that of a one-plane area.
        area.pixelBytes = std::max(area.pixelBytes, 3);
        area.firstOffset = 2;
        area.reportedColumns = 1;
    }
    area.bytes.reset();
    if (RectEmpty(request.rect)) {
        return noErr;
    }
    if (request.loPlane < 0 || request.planeCount < 1 ||
        request.loPlane + request.planeCount > source.planes) {
        return paramErr;
    }
    if (request.padding < plugInWantsErrorOnBoundsException || request.padding > 255) {
        return paramErr;
    }
    const int sampledWidth = source.width / request.rate;
    const int sampledHeight = source.height / request.rate;
    const Rect& rect = request.rect;
    const bool inside = rect.top >= 0 && rect.left >= 0 && rect.bottom <= sampledHeight &&
                        rect.right <= sampledWidth;
    if (!inside) {
        if (request.padding == plugInWantsErrorOnBoundsException) {
            return paramErr;
        }
        if (request.padding == plugInWantsEdgeReplication &&
            (sampledWidth == 0 || sampledHeight == 0)) {
            return paramErr;
        }
    }
    const int rows = rect.bottom - rect.top;
    const int columns = rect.right - rect.left;
    const std::int64_t rowBytes =
        static_cast<std::int64_t>(columns) * area.pixelBytes + options.rowPadding;
    const std::int64_t total = rowBytes * rows;
    if (rowBytes > std::numeric_limits<std::int32_t>::max() || total > kLargestDelivery) {
        return memFullErr;
    }
    area.bytes.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(total)]);
    if (!area.bytes) {
        return memFullErr;
    }
    area.rowBytes = static_cast<std::int32_t>(rowBytes);
    std::uint8_t* bytes = area.bytes.get();
    if (inside && request.rate == 1 && source.data != nullptr && options.rowPadding == 0 &&
        area.pixelBytes == request.planeCount) {
        CopyInside(source, request, bytes);
        return noErr;
    }
    std::memset(bytes, kUndefinedByte, static_cast<std::size_t>(total));
    for (int r = 0; r < rows; ++r) {
        std::uint8_t* row =
            bytes + static_cast<std::size_t>(r) * static_cast<std::size_t>(rowBytes);
        int sy = rect.top + r;
        const bool rowInside = sy >= 0 && sy < sampledHeight;
        for (int c = 0; c < columns; ++c) {
            int sx = rect.left + c;
            std::uint8_t* pixel =
                row + static_cast<std::size_t>(c) * area.pixelBytes + area.firstOffset;
            if (!rowInside || sx < 0 || sx >= sampledWidth) {
                if (request.padding >= 0) {
                    std::memset(pixel, request.padding,
                                static_cast<std::size_t>(request.planeCount));
                    continue;
                }
                if (request.padding != plugInWantsEdgeReplication) {
                    continue;  // no padding wanted: the bytes stay undefined
                }
                sx = std::clamp(sx, 0, sampledWidth - 1);
            }
            const int y = std::clamp(sy, 0, sampledHeight - 1);
            for (int p = 0; p < request.planeCount; ++p) {
                pixel[p] =
                    Sample(source, sx, y, request.loPlane + p, request.rate, options.sampling);
            }
        }
    }
    return noErr;
}

bool SameRect(const Rect& a, const Rect& b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

bool InsideRect(const Rect& rect, int x, int y) {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

}  // namespace

bool RectEmpty(const Rect& rect) { return rect.right <= rect.left || rect.bottom <= rect.top; }

void PixelExchange::Commit(const FilterRecord& record, Document& document) {
    if (!output_.pending) {
        return;
    }
    output_.pending = false;
    Image& image = document.image;
    const bool blend = record.haveMask && record.autoMask && !document.mask.empty();
    const Rect& rect = output_.rect;
    for (int y = std::max<int>(rect.top, 0); y < std::min<int>(rect.bottom, image.height); ++y) {
        for (int x = std::max<int>(rect.left, 0); x < std::min<int>(rect.right, image.width); ++x) {
            if (!InsideRect(document.selection, x, y)) {
                continue;
            }
            const std::uint8_t* pixel = output_.bytes.get() +
                                        static_cast<std::size_t>(y - rect.top) *
                                            static_cast<std::size_t>(output_.rowBytes) +
                                        static_cast<std::size_t>(x - rect.left) *
                                            static_cast<std::size_t>(output_.pixelBytes) +
                                        static_cast<std::size_t>(output_.firstOffset);
            const int weight =
                blend ? document.mask[static_cast<std::size_t>(y) * image.width + x] : 255;
            for (int p = 0; p < output_.planeCount; ++p) {
                std::uint8_t& target = image.At(x, y, output_.loPlane + p);
                target = static_cast<std::uint8_t>(
                    (target * (255 - weight) + pixel[p] * weight + 127) / 255);
            }
        }
    }
}

void PixelExchange::Release(FilterRecord& record) {
    input_ = Area{};
    output_ = Area{};
    mask_ = Area{};
    hostkit::ClearPixelPointers(record);
}

OSErr PixelExchange::Advance(FilterRecord& record, Document& document,
                             const ExchangeOptions& options) {
    Commit(record, document);
    // A host that refills only on a new rectangle keeps the bytes it
    // delivered last, whatever planes are asked for now.
    const bool keepInput = options.refillOnRectChange && input_.bytes != nullptr &&
                           SameRect(input_.rect, record.inRect);
    Area keptInput;
    if (keepInput) {
        keptInput = std::move(input_);
    }
    Release(record);

    const Image& image = document.image;
    const Source pixels{image.pixels.data(), image.width, image.height, image.planes};
    const auto loPlane = [&](std::int16_t requested) {
        return options.planeZeroOnly ? 0 : static_cast<int>(requested);
    };
    AreaRequest in{record.inRect, loPlane(record.inLoPlane),
                   record.inHiPlane - record.inLoPlane + 1, RateOf(record.inputRate),
                   record.inputPadding};
    AreaRequest out{record.outRect, loPlane(record.outLoPlane),
                    record.outHiPlane - record.outLoPlane + 1, 1, record.outputPadding};
    OSErr result = noErr;
    if (keepInput) {
        input_ = std::move(keptInput);
    } else {
        result = Deliver(pixels, in, options, input_);
    }
    if (result == noErr) {
        result = Deliver(pixels, out, options, output_);
    }
    if (result == noErr && record.haveMask) {
        const Source mask{document.mask.empty() ? nullptr : document.mask.data(), image.width,
                          image.height, 1};
        const AreaRequest maskRequest{record.maskRect, 0, 1, RateOf(record.maskRate),
                                      record.maskPadding};
        result = Deliver(mask, maskRequest, options, mask_);
    }
    if (result != noErr) {
        Release(record);
        return result;
    }

    record.inData = input_.bytes.get();
    record.inRowBytes = input_.rowBytes;
    record.inColumnBytes = input_.bytes ? input_.reportedColumns : 0;
    record.inPlaneBytes = input_.bytes ? 1 : 0;
    record.outData = output_.bytes.get();
    record.outRowBytes = output_.rowBytes;
    record.outColumnBytes = output_.bytes ? output_.reportedColumns : 0;
    record.outPlaneBytes = output_.bytes ? 1 : 0;
    record.maskData = mask_.bytes.get();
    record.maskRowBytes = mask_.rowBytes;
    output_.pending = output_.bytes != nullptr;
    return noErr;
}

}  // namespace testhost
