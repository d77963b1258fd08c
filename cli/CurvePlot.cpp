#include "cli/CurvePlot.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "cli/PhotoFormats.h"
#include "cli/PhotoWriting.h"

namespace mirtane::cli {
namespace {

using vips::VImage;
using Ink = std::vector<double>;

constexpr int kLeft = 56;
constexpr int kTop = 36;
constexpr int kRight = 20;
constexpr int kBottom = 52;
constexpr int kGridDivisions = 8;
constexpr const char* kFont = "sans 12";
constexpr int kPlotQuality = 92;  // should the plot be named .jpg or .webp

const Ink kWhite{255, 255, 255};
const Ink kGrid{222, 222, 222};
const Ink kIdentity{190, 190, 190};
const Ink kFrame{90, 90, 90};
const Ink kText{60, 60, 60};
const Ink kChannelInks[3] = {{205, 35, 35}, {30, 145, 45}, {35, 75, 215}};
constexpr const char* kChannelNames[3] = {"red", "green", "blue"};

int PlotX(double input) { return kLeft + static_cast<int>(std::lround(input * (kPlotSide - 1))); }

int PlotY(double output) {
    const double clamped = std::clamp(std::isfinite(output) ? output : 0.0, 0.0, 1.0);
    return kTop + static_cast<int>(std::lround((1.0 - clamped) * (kPlotSide - 1)));
}

// Draws `text` with its top-left corner at (x, y); returns its width.
int DrawText(const VImage& canvas, const std::string& text, int x, int y, const Ink& ink) {
    const VImage mask = VImage::text(text.c_str(), VImage::option()->set("font", kFont));
    canvas.draw_mask(ink, mask, x, y);
    return mask.width();
}

void DrawGrid(const VImage& canvas) {
    for (int step = 0; step <= kGridDivisions; ++step) {
        const double at = static_cast<double>(step) / kGridDivisions;
        canvas.draw_line(kGrid, PlotX(at), kTop, PlotX(at), kTop + kPlotSide - 1);
        canvas.draw_line(kGrid, kLeft, PlotY(at), kLeft + kPlotSide - 1, PlotY(at));
    }
    canvas.draw_line(kIdentity, PlotX(0.0), PlotY(0.0), PlotX(1.0), PlotY(1.0));
    canvas.draw_rect(kFrame, kLeft - 1, kTop - 1, kPlotSide + 2, kPlotSide + 2);
}

void DrawLabels(const VImage& canvas) {
    const int below = kTop + kPlotSide + 6;
    DrawText(canvas, "0", PlotX(0.0) - 4, below, kText);
    DrawText(canvas, "0.5", PlotX(0.5) - 10, below, kText);
    DrawText(canvas, "1", PlotX(1.0) - 4, below, kText);
    DrawText(canvas, "input (re-levelled)", PlotX(0.5) - 60, below + 20, kText);
    DrawText(canvas, "1", kLeft - 16, PlotY(1.0) - 8, kText);
    DrawText(canvas, "0.5", kLeft - 30, PlotY(0.5) - 8, kText);
    DrawText(canvas, "output", 4, PlotY(0.75) - 8, kText);
    int x = kLeft;
    for (int channel = 0; channel < 3; ++channel) {
        x += DrawText(canvas, kChannelNames[channel], x, 10, kChannelInks[channel]) + 16;
    }
}

// The table as a polyline two pixels thick.
void DrawCurve(const VImage& canvas, const std::array<float, 256>& table, const Ink& ink) {
    for (int i = 0; i + 1 < 256; ++i) {
        const int x1 = PlotX(i / 255.0), y1 = PlotY(table[i]);
        const int x2 = PlotX((i + 1) / 255.0), y2 = PlotY(table[i + 1]);
        canvas.draw_line(ink, x1, y1, x2, y2);
        canvas.draw_line(ink, x1, y1 + 1, x2, y2 + 1);
    }
}

}  // namespace

VImage CurvePlotImage(const ChannelCurves& curves) {
    const int width = kLeft + kPlotSide + kRight;
    const int height = kTop + kPlotSide + kBottom;
    VImage canvas = (VImage::black(width, height, VImage::option()->set("bands", 3)) + kWhite)
                        .cast(VIPS_FORMAT_UCHAR)
                        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB))
                        .copy_memory();
    DrawGrid(canvas);
    for (int channel = 0; channel < 3; ++channel) {
        DrawCurve(canvas, curves.tables[channel], kChannelInks[channel]);
    }
    DrawLabels(canvas);
    return canvas;
}

int PlotCurves(const ChannelCurves& curves, const std::string& path, std::string& error) {
    try {
        return SaveImage(path, CurvePlotImage(curves),
                         SaveSettings{kPlotQuality, {}, SidePictureFormat(path), false}, {}, error);
    } catch (const vips::VError& failure) {
        vips_error_clear();
        error = std::string("cannot draw the curves: ") + failure.what();
        return -1;
    }
}

}  // namespace mirtane::cli
