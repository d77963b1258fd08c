// The natural method through the engine entry: its tables become a
// correction with black level 0 and white level 1, so every application
// (8-bit, 16-bit, float, trims) serves both methods unchanged.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/NaturalMethod.h"
#include "engine/MirtaneEngine.h"

namespace {

void CopyMessage(const char* text, char* error, std::size_t errorSize) {
    if (error == nullptr || errorSize == 0) return;
    std::strncpy(error, text, errorSize - 1);
    error[errorSize - 1] = '\0';
}

}  // namespace

extern "C" int mirtane_analyse_natural_rgb8(const unsigned char* pixels, int width, int height,
                                            ptrdiff_t rowStride, int bytesPerPixel, double dmax,
                                            double flare, MirtaneCorrection* correction,
                                            MirtaneNaturalChoice* choice, char* error,
                                            size_t errorSize) {
    if (pixels == nullptr || correction == nullptr || width <= 0 || height <= 0 ||
        (bytesPerPixel != 3 && bytesPerPixel != 4) ||
        rowStride < static_cast<ptrdiff_t>(width) * bytesPerPixel) {
        CopyMessage("invalid image for the analysis", error, errorSize);
        return -1;
    }
    if (!(std::isfinite(dmax) && dmax > 0.0)) {
        CopyMessage("the black density (dmax) must be a positive number", error, errorSize);
        return -1;
    }
    if (!(flare >= 0.0 && flare < 1.0)) {
        CopyMessage("the flare must lie in [0, 1)", error, errorSize);
        return -1;
    }
    // The method reads packed 3-byte pixels; 4-byte ones are packed first.
    std::vector<unsigned char> packed;
    const unsigned char* rgb = pixels;
    ptrdiff_t stride = rowStride;
    if (bytesPerPixel == 4) {
        packed.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
        for (int y = 0; y < height; ++y) {
            const unsigned char* in = pixels + static_cast<ptrdiff_t>(y) * rowStride;
            unsigned char* out = packed.data() + static_cast<std::size_t>(y) * width * 3;
            for (int x = 0; x < width; ++x)
                std::memcpy(out + 3 * x, in + 4 * x, 3);
        }
        rgb = packed.data();
        stride = static_cast<ptrdiff_t>(width) * 3;
    }
    mirtane::NaturalSettings settings;
    settings.dmax = dmax;
    settings.flare = flare;
    mirtane::NaturalResult result;
    if (mirtane::ComputeNaturalCurves(rgb, width, height, stride, settings, &result) != 0) {
        CopyMessage("not enough memory for the analysis", error, errorSize);
        return -1;
    }
    correction->blackLevel = 0.0f;
    correction->whiteLevel = 1.0f;
    std::memcpy(correction->tables, result.tables, sizeof correction->tables);
    if (choice != nullptr) {
        const mirtane::PictureArea& area = result.choice.area;
        choice->area[0] = area.left;
        choice->area[1] = area.top;
        choice->area[2] = area.width;
        choice->area[3] = area.height;
        for (int c = 0; c < 3; ++c) {
            choice->black[c] = result.choice.black[c];
            choice->white[c] = result.choice.white[c];
            choice->shrunkWhite[c] = result.choice.shrunkWhite[c];
            choice->blackDensity[c] = result.choice.blackDensity[c];
            choice->balanceGain[c] = result.choice.balanceGain[c];
            choice->gain[c] = result.choice.gain[c];
        }
        choice->depthGain = result.choice.depthGain;
        choice->blackStrength = result.choice.blackStrength;
        choice->tintStrength = result.choice.tintStrength;
        for (int band = 0; band < 3; ++band) {
            choice->tint[band][0] = result.choice.tint[band][0];
            choice->tint[band][1] = result.choice.tint[band][1];
        }
        choice->evidence = result.choice.evidence == mirtane::NaturalEvidence::SharedTint
                               ? MIRTANE_EVIDENCE_SHARED_TINT
                               : MIRTANE_EVIDENCE_RAISED_BLACK;
        choice->flare = result.choice.flareLight;
        choice->strength = result.choice.strength;
    }
    return 0;
}
