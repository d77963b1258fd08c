// Drawing displayPixels' pixels into a Windows device context.
#include <windows.h>

#include <vector>

#include "hosts/testhost/DisplayPixels.h"

namespace testhost {

bool DrawToDevice(const Image& rgb, std::int32_t row, std::int32_t column, void* deviceContext) {
    if (deviceContext == nullptr || rgb.Empty()) {
        return false;
    }
    // A bottom-up 24-bit DIB: rows padded to 4 bytes, blue first.
    const int rowBytes = (rgb.width * 3 + 3) & ~3;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(rowBytes) * rgb.height, 0);
    for (int y = 0; y < rgb.height; ++y) {
        std::uint8_t* out = bits.data() + static_cast<std::size_t>(rgb.height - 1 - y) * rowBytes;
        for (int x = 0; x < rgb.width; ++x) {
            out[x * 3 + 0] = rgb.At(x, y, 2);
            out[x * 3 + 1] = rgb.At(x, y, 1);
            out[x * 3 + 2] = rgb.At(x, y, 0);
        }
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = rgb.width;
    info.bmiHeader.biHeight = rgb.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const int lines =
        SetDIBitsToDevice(static_cast<HDC>(deviceContext), column, row,
                          static_cast<DWORD>(rgb.width), static_cast<DWORD>(rgb.height), 0, 0, 0,
                          static_cast<UINT>(rgb.height), bits.data(), &info, DIB_RGB_COLORS);
    return lines == rgb.height;
}

}  // namespace testhost
