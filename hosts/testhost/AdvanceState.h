// The pixel traffic of advanceState: before serving a request the host
// writes the output of the previous one back into the document, then hands
// out the input, output and mask areas the filter record asks for.
//
// Layout of a delivered area: rows top to bottom, `rowBytes` apart (the row
// itself plus an optional padding that the plug-in must skip), each pixel the
// planes lo..hi interleaved, reported in inColumnBytes/outColumnBytes and
// inPlaneBytes/outPlaneBytes. The output area is pre-filled with the current
// document pixels. Empty rectangles deliver a null pointer and row bytes 0.
//
// Sampling: with inputRate (or maskRate) n > 1 the rectangle is in sampled
// coordinates of an image of floor(W / n) x floor(H / n) pixels; sample (r, c)
// stands for pixel ((top + r) n, (left + c) n). Its value is the average of
// the n x n block starting there, rounded half up (Sampling::BoxAverage, the
// default), or that one pixel (Sampling::Point). Rates are rounded to the
// nearest integer; 0 counts as 1.
//
// Parts of a rectangle outside the (sampled) image follow the padding field:
// 0..255 fill with that value, -1 replicate the nearest edge pixel, -2 leave
// the bytes undefined, -3 fail with paramErr (-50); any other value fails too.
//
// Writing back: output lands only inside the image and inside the
// document's selection rectangle; with a selection mask and autoMask set,
// each sample is blended with the original by the mask value (255 = all new).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "hosts/kit/Image.h"
#include "pluginapi/FilterRecord.h"

namespace testhost {

using hostkit::Image;

enum class Sampling { BoxAverage, Point };

struct Document {
    Image image;
    Rect selection{0, 0, 0, 0};      // where output may land (the filterRect)
    std::vector<std::uint8_t> mask;  // width * height bytes, or empty for none
};

// How the host lays out and refreshes what it delivers. Beyond the padding
// and sampling every host chooses, the last four reproduce habits of hosts
// that shipped (see HostProfiles.h).
struct ExchangeOptions {
    int rowPadding = 0;  // extra bytes at the end of every delivered row
    Sampling sampling = Sampling::BoxAverage;
    bool planeZeroOnly = false;       // the plane range is ignored: copies start at plane 0
    bool refillOnRectChange = false;  // inData is refilled only when inRect changes
    bool blueGreenRed = false;        // a one-plane area lands at byte 2 of 3-byte pixels
    int bytesPerPixel = 0;            // more than the plane count: wider pixels (4: RGBx)
};

// Largest area the host agrees to deliver at once; beyond it advanceState
// answers -108 as a host out of memory would.
constexpr std::int64_t kLargestDelivery = std::int64_t{512} * 1024 * 1024;

bool RectEmpty(const Rect& rect);

class PixelExchange {
  public:
    // Commit, release the previous areas, deliver the record's request.
    [[nodiscard]] OSErr Advance(FilterRecord& record, Document& document,
                                const ExchangeOptions& options);
    // Writes the output of the last request into the document once; further
    // calls do nothing until the next delivery.
    void Commit(const FilterRecord& record, Document& document);
    // Frees the delivered areas and clears the record's data pointers.
    void Release(FilterRecord& record);

    bool OutputPending() const { return output_.pending; }

  private:
    struct Area {
        std::unique_ptr<std::uint8_t[]> bytes;
        Rect rect{0, 0, 0, 0};
        int loPlane = 0;
        int planeCount = 0;
        std::int32_t rowBytes = 0;
        int pixelBytes = 0;       // from one pixel to the next in the buffer
        int firstOffset = 0;      // where plane lo lies within a pixel
        int reportedColumns = 0;  // the column bytes the host reports

        bool pending = false;  // output not yet written back
    };

    Area input_;
    Area output_;
    Area mask_;
};

}  // namespace testhost
