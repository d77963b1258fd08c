// The host's displayPixels service: the plug-in hands over a pixel map and
// the host draws it. This host records every call and composes what was
// drawn on a surface the size of the host window's client area, so that
// tests can see what a user would have seen. Built for Windows, it also
// draws into the device context it is given (DisplayPixelsWin.cpp).
#pragma once

#include <cstdint>
#include <vector>

#include "hosts/kit/Image.h"
#include "pluginapi/PluginSuites.h"

namespace testhost {

using hostkit::Image;

// One displayPixels call as the host received it.
struct DisplayCall {
    VRect sourceRect{};  // the part of the map that was asked for
    std::int32_t destinationRow = 0;
    std::int32_t destinationColumn = 0;
    std::int32_t imageMode = 0;
    bool masked = false;  // a mask came with the map
    void* platformContext = nullptr;
    OSErr result = 0;
    // The drawn area as RGB, sourceRect's size, read through the map's
    // row, column and plane strides (empty when the call was refused).
    Image pixels;
};

// Clears the record and sets up a surface of the given size, filled with
// black. The first call of displayPixels makes a 1024 x 768 surface when
// none was set up.
void ResetDisplay(int width, int height);

const std::vector<DisplayCall>& DisplayCalls();
// Everything drawn since the last reset; with a mask, the pixels are shown
// over a grey checkerboard in proportion to the mask.
const Image& DisplaySurface();

// The callback to put into the filter record. Refuses (-30100) a null map or
// source rectangle, a map without pixels or row bytes, an empty or
// out-of-bounds source rectangle and, on Windows, a missing device context.
// Grayscale and RGB maps are drawn; other modes are recorded but not drawn.
OSErr PI_CDECL DisplayPixels(const PSPixelMap* source, const VRect* sourceRect,
                             std::int32_t destinationRow, std::int32_t destinationColumn,
                             void* platformContext);

#ifdef _WIN32
// Draws the RGB image with its top-left corner at (column, row) of the
// device context. Implemented in DisplayPixelsWin.cpp.
[[nodiscard]] bool DrawToDevice(const Image& rgb, std::int32_t row, std::int32_t column,
                                void* deviceContext);
#endif

}  // namespace testhost
