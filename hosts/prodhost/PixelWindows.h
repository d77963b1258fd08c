// The pixel traffic of the production host's advanceState. A request that
// lies inside the image is answered with a pointer straight into the image,
// as hosts hand out pointers into their own tiles: rows `image row bytes`
// apart, 3 bytes from pixel to pixel, 1 from plane to plane, the pointer
// moved on to plane inLoPlane. Output inside the image and the selection is
// written in place, so nothing is copied back. Only a request reaching past
// the image (or, for output, past the selection) is staged in a pool buffer:
// filled from the image with the padding the plug-in chose (a value, -1 edge
// replication, -2 left as it is, -3 refused with paramErr), and for output
// written back, inside the image and the selection, at the next
// advanceState or when the selector returns.
//
// Sampled input (inputRate other than 1) is for previews; this host runs
// headless and refuses it with paramErr. It has no selection masks.
#pragma once

#include <cstdint>

#include "hosts/prodhost/BufferPool.h"
#include "pluginapi/FilterRecord.h"

namespace prodhost {

// The document: width * height pixels of 3 interleaved 8-bit planes, rows
// packed. The host does not own the pixels.
struct ImageView {
    std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};

constexpr int kImagePlanes = 3;

class PixelWindows {
  public:
    explicit PixelWindows(BufferPool& pool) : pool_(pool) {}
    ~PixelWindows();
    PixelWindows(const PixelWindows&) = delete;
    PixelWindows& operator=(const PixelWindows&) = delete;

    // Commits and releases what the last request delivered, then opens the
    // record's input and output rectangles. On failure nothing is delivered.
    [[nodiscard]] OSErr Advance(FilterRecord& record, const ImageView& image,
                                const Rect& selection);
    // Writes staged output into the image; in-place output is there already.
    void Commit(const ImageView& image, const Rect& selection);
    // Gives staged buffers back to the pool and clears the record's pointers.
    void Release(FilterRecord& record);

  private:
    struct Window {
        std::uint8_t* data = nullptr;
        std::int32_t rowBytes = 0;
        std::int32_t columnBytes = 0;
        std::int32_t planeBytes = 0;
        std::uint8_t* staged = nullptr;  // pool block when the area is a copy
        Rect rect{0, 0, 0, 0};
        int loPlane = 0;
        int planeCount = 0;
    };
    struct AreaRequest {
        Rect rect;
        int loPlane;
        int hiPlane;
        Fixed rate;
        std::int16_t padding;
    };

    OSErr Open(const AreaRequest& request, const ImageView& image, const Rect& writable,
               Window& window);
    void Close(Window& window);

    BufferPool& pool_;
    Window input_;
    Window output_;
};

bool RectEmpty(const Rect& rect);

}  // namespace prodhost
