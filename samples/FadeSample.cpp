// Fades a colour photograph the way chromogenic prints fade with age, to
// make the bundled sample. Usage:
//
//   mirtane-fade-sample INPUT OUTPUT [WIDTH]
//
// The picture is first scaled to WIDTH pixels across (default 1200). Each
// channel is then treated as the transmittance of one dye layer (red through
// the cyan dye, green through magenta, blue through yellow):
//
//   1. T = linear-light value of the sRGB sample (0 ... 1);
//   2. D = -log10(max(T, 10^-3)): the layer's optical density, at most 3;
//   3. dye loss:  D' = keep * D, the fraction of dye left per layer;
//   4. stain:     D'' = D' + stain, a density added everywhere (the yellowed
//                 base), which raises the minimum density;
//   5. T' = 10^-D'';
//   6. veiling flare: T'' = (1 - flare) * T' + flare, light scattered over
//      the whole print, which lifts the black point;
//   7. back to sRGB, 8 bits.
//
// The constants below give the familiar look of a print from the 1970s: cyan
// and yellow dyes faded more than magenta, a yellow-brown stain, grey blacks.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <vips/vips8>

namespace {

using vips::VImage;

constexpr double kMaximumDensity = 3.0;
// Fraction of each dye left: cyan (red channel), magenta (green), yellow (blue).
const std::vector<double> kDyeKept{0.55, 0.80, 0.60};
// Density of the stain per layer: mostly in the blue channel, i.e. yellow.
const std::vector<double> kStainDensity{0.03, 0.07, 0.16};
constexpr double kFlare = 0.03;
constexpr int kDefaultWidth = 1200;
constexpr int kJpegQuality = 90;

VImage Fade(const VImage& photo) {
    VImage linear =
        photo.extract_band(0, VImage::option()->set("n", 3)).colourspace(VIPS_INTERPRETATION_scRGB);
    const double floor = std::pow(10.0, -kMaximumDensity);
    VImage density = (linear > floor).ifthenelse(linear, floor).log10() * -1.0;
    VImage faded = density.linear(kDyeKept, kStainDensity);
    VImage transmittance = (faded * -1.0).exp10();
    VImage flared = transmittance.linear({1.0 - kFlare}, {kFlare});
    return flared.copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_scRGB))
        .colourspace(VIPS_INTERPRETATION_sRGB);
}

}  // namespace

int main(int argc, char** argv) {
    if (VIPS_INIT(argv[0]) != 0) {
        std::fprintf(stderr, "cannot start libvips\n");
        return 1;
    }
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: %s INPUT OUTPUT [WIDTH]\n", argv[0]);
        return 2;
    }
    const int width = argc == 4 ? std::atoi(argv[3]) : kDefaultWidth;
    try {
        const VImage photo =
            VImage::thumbnail(argv[1], width, VImage::option()->set("size", VIPS_SIZE_DOWN));
        Fade(photo).write_to_file(argv[2],
                                  VImage::option()->set("Q", kJpegQuality)->set("strip", true));
    } catch (const vips::VError& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
    vips_shutdown();
    return 0;
}
