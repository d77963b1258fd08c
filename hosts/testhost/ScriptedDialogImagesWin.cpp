// What the dialog asked the host to draw, the document's own pixels to
// compare it with, and screenshots of the dialog as the screen shows it.
#include "hosts/testhost/ScriptedDialogEngineWin.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "hosts/testhost/DisplayPixels.h"

namespace testhost::dialogscript {
namespace {

std::string Narrowed(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out.push_back(static_cast<char>(c));
    }
    return out;
}

}  // namespace

bool SameImage(const Image& a, const Image& b) {
    return a.width == b.width && a.height == b.height && a.pixels == b.pixels;
}

const DisplayCall* ScriptedDialogEngine::LastDraw(bool preview) const {
    const std::vector<DisplayCall>& calls = DisplayCalls();
    if (calls.empty()) {
        return nullptr;
    }
    int leftmost = calls.front().destinationColumn;
    int rightmost = leftmost;
    for (const DisplayCall& call : calls) {
        leftmost = call.destinationColumn < leftmost ? call.destinationColumn : leftmost;
        rightmost = call.destinationColumn > rightmost ? call.destinationColumn : rightmost;
    }
    const int wanted = preview ? leftmost : rightmost;
    for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
        if (it->destinationColumn == wanted) {
            return &*it;
        }
    }
    return nullptr;
}

Image ScriptedDialogEngine::Unprocessed(const Request& request) const {
    const Image& document = host_.image();
    const int rate = request.inputRate >> 16 > 0 ? request.inputRate >> 16 : 1;
    const int width = request.inRect.right - request.inRect.left;
    const int height = request.inRect.bottom - request.inRect.top;
    Image out = hostkit::MakeImage(width > 0 ? width : 0, height > 0 ? height : 0);
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            const int sx = (request.inRect.left + x) * rate;
            const int sy = (request.inRect.top + y) * rate;
            const bool inside = sx >= 0 && sy >= 0 && sx < document.width && sy < document.height;
            for (int plane = 0; plane < 3; ++plane) {
                out.At(x, y, plane) = inside ? document.At(sx, sy, plane) : 0;
            }
        }
    }
    return out;
}

void ScriptedDialogEngine::AddScreenshot(const std::wstring& name) {
    Add("screenshot " + Narrowed(name), [this, name] { Screenshot(name); });
}

void ScriptedDialogEngine::Screenshot(const std::wstring& name) {
    if (artefacts_.empty()) {
        return;
    }
    UpdateWindow(dialog_);
    RECT area{};
    GetWindowRect(dialog_, &area);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, previous);

    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const int rowBytes = (width * 3 + 3) & ~3;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(rowBytes) * height);
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), bits.data(),
              reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(bits.size());
    header.biSizeImage = static_cast<DWORD>(bits.size());
    const std::wstring path = artefacts_ + L"\\" + name;
    std::FILE* out = _wfopen(path.c_str(), L"wb");
    const bool written = out != nullptr && std::fwrite(&file, sizeof file, 1, out) == 1 &&
                         std::fwrite(&header, sizeof header, 1, out) == 1 &&
                         std::fwrite(bits.data(), 1, bits.size(), out) == bits.size();
    if (out != nullptr) {
        std::fclose(out);
    }
    Expect(written, "screenshot " + Narrowed(name) + " saved", Narrowed(path));
}

}  // namespace testhost::dialogscript
