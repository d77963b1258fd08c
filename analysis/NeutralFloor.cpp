#include "analysis/NeutralFloor.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>
#include <vector>

#include "analysis/Rounding.h"
#include "analysis/SrgbTransfer.h"

namespace mirtane {

namespace {

constexpr std::int32_t kChannels = 3;
constexpr std::int32_t kMinimumBlocks = 3;
constexpr std::int32_t kCodes = 256;
constexpr std::int32_t kBlockSamples = kFloorBlockSize * kFloorBlockSize;

// CIE L* a* b* of one colour, from linear sRGB through XYZ under D65.
struct Lab {
    double l;
    double a;
    double b;
};

double LabCurve(double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; }

Lab LabOf(const double linear[kChannels]) {
    const double x = (0.412453 * linear[0] + 0.357580 * linear[1] + 0.180423 * linear[2]) / 0.95047;
    const double y = 0.212671 * linear[0] + 0.715160 * linear[1] + 0.072169 * linear[2];
    const double z = (0.019334 * linear[0] + 0.119193 * linear[1] + 0.950227 * linear[2]) / 1.08883;
    const double fx = LabCurve(x);
    const double fy = LabCurve(y);
    const double fz = LabCurve(z);
    return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

// Rounded means of the 8 x 8 blocks of the area, R, G, B per block.
void BlockMeans(const std::uint8_t* pixels, std::ptrdiff_t rowStride, std::int32_t columns,
                std::int32_t rows, std::vector<std::uint8_t>& means) {
    std::vector<std::int32_t> sums(static_cast<std::size_t>(columns) * kChannels);
    for (std::int32_t row = 0; row < rows; ++row) {
        std::fill(sums.begin(), sums.end(), 0);
        for (std::int32_t y = 0; y < kFloorBlockSize; ++y) {
            const std::uint8_t* sample =
                pixels + static_cast<std::ptrdiff_t>(row * kFloorBlockSize + y) * rowStride;
            for (std::int32_t column = 0; column < columns; ++column) {
                std::int32_t* sum = &sums[static_cast<std::size_t>(column) * kChannels];
                for (std::int32_t x = 0; x < kFloorBlockSize; ++x, sample += kChannels) {
                    sum[0] += sample[0];
                    sum[1] += sample[1];
                    sum[2] += sample[2];
                }
            }
        }
        std::uint8_t* out = &means[static_cast<std::size_t>(row) * columns * kChannels];
        for (std::size_t i = 0; i < sums.size(); ++i) {
            out[i] = static_cast<std::uint8_t>((sums[i] + kBlockSamples / 2) / kBlockSamples);
        }
    }
}

// The median of nine values by a fixed network of 19 exchanges (Paeth's),
// several times faster than a general selection on so few.
std::uint8_t MedianOfNine(std::uint8_t (&v)[9]) {
    const auto order = [&v](int a, int b) {
        if (v[a] > v[b]) {
            std::swap(v[a], v[b]);
        }
    };
    order(1, 2), order(4, 5), order(7, 8), order(0, 1), order(3, 4), order(6, 7);
    order(1, 2), order(4, 5), order(7, 8), order(0, 3), order(5, 8), order(4, 7);
    order(3, 6), order(1, 4), order(2, 5), order(4, 7), order(4, 2), order(6, 4);
    order(4, 2);
    return v[4];
}

// The 3 x 3 median of each channel of the block means, borders replicated.
void MedianOfBlocks(const std::vector<std::uint8_t>& means, std::int32_t columns, std::int32_t rows,
                    std::vector<std::uint8_t>& medians) {
    for (std::int32_t row = 0; row < rows; ++row) {
        for (std::int32_t column = 0; column < columns; ++column) {
            for (std::int32_t c = 0; c < kChannels; ++c) {
                std::uint8_t window[9];
                std::int32_t n = 0;
                for (std::int32_t dy = -1; dy <= 1; ++dy) {
                    const std::int32_t y = Clamp(row + dy, 0, rows - 1);
                    for (std::int32_t dx = -1; dx <= 1; ++dx) {
                        const std::int32_t x = Clamp(column + dx, 0, columns - 1);
                        window[n++] =
                            means[(static_cast<std::size_t>(y) * columns + x) * kChannels + c];
                    }
                }
                medians[(static_cast<std::size_t>(row) * columns + column) * kChannels + c] =
                    MedianOfNine(window);
            }
        }
    }
}

// The value below which `share` of `values` lie (an element of them).
double Quantile(std::vector<double> values, double share) {
    const auto index = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(index),
                     values.end());
    return values[index];
}

// Per channel, the codes below which and above which `share` of the blocks lie.
void BlockLevels(const std::vector<std::uint8_t>& medians, double share, NeutralFloor* floor) {
    const std::size_t blocks = medians.size() / kChannels;
    const auto tail = static_cast<std::size_t>(share * static_cast<double>(blocks));
    for (std::int32_t c = 0; c < kChannels; ++c) {
        std::size_t histogram[kCodes] = {};
        for (std::size_t i = 0; i < blocks; ++i) {
            ++histogram[medians[i * kChannels + c]];
        }
        std::size_t below = 0;
        std::int32_t black = 0;
        while (black < kCodes - 1 && below + histogram[black] <= tail) {
            below += histogram[black++];
        }
        std::size_t above = 0;
        std::int32_t white = kCodes - 1;
        while (white > 0 && above + histogram[white] <= tail) {
            above += histogram[white--];
        }
        floor->black[c] = black;
        floor->white[c] = std::max(black, white);
    }
}

}  // namespace

std::int32_t MeasureNeutralFloor(const std::uint8_t* pixels, std::ptrdiff_t rowStride,
                                 const PictureArea& area, NeutralFloor* floor) {
    *floor = NeutralFloor{};
    const std::int32_t columns = area.width / kFloorBlockSize;
    const std::int32_t rows = area.height / kFloorBlockSize;
    if (columns < kMinimumBlocks || rows < kMinimumBlocks) {
        return 0;
    }
    const std::size_t blocks = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
    std::vector<std::uint8_t> means;
    std::vector<std::uint8_t> medians;
    std::vector<Lab> lab;
    std::vector<double> lightness;
    try {
        means.resize(blocks * kChannels);
        medians.resize(blocks * kChannels);
        lab.resize(blocks);
        lightness.resize(blocks);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    const std::uint8_t* first = pixels + static_cast<std::ptrdiff_t>(area.top) * rowStride +
                                static_cast<std::ptrdiff_t>(area.left) * kChannels;
    BlockMeans(first, rowStride, columns, rows, means);
    MedianOfBlocks(means, columns, rows, medians);
    double linear[kCodes];
    for (std::int32_t v = 0; v < kCodes; ++v) {
        linear[v] = SrgbToLinear(v / 255.0);
    }
    for (std::size_t i = 0; i < blocks; ++i) {
        const double colour[kChannels] = {linear[medians[i * kChannels]],
                                          linear[medians[i * kChannels + 1]],
                                          linear[medians[i * kChannels + 2]]};
        lab[i] = LabOf(colour);
        lightness[i] = lab[i].l;
    }
    BlockLevels(medians, kFloorLevelShare, floor);
    const double darkEdge = Quantile(lightness, kFloorDarkShare);
    const double brightEdge = Quantile(lightness, kFloorBrightShare);
    // Each block's band (0 shadows, 1 mid-tones, 2 highlights) and chroma.
    std::vector<std::uint8_t> bandOf(blocks);
    std::vector<double> chromaOf(blocks);
    for (std::size_t i = 0; i < blocks; ++i) {
        const double l = lab[i].l;
        bandOf[i] = l <= darkEdge ? 0 : l >= brightEdge ? 2 : 1;
        chromaOf[i] = std::hypot(lab[i].a, lab[i].b);
    }
    for (std::uint8_t band = 0; band < 3; ++band) {
        std::vector<double> chroma;
        for (std::size_t i = 0; i < blocks; ++i) {
            if (bandOf[i] == band) {
                chroma.push_back(chromaOf[i]);
            }
        }
        if (chroma.empty()) {
            continue;  // a band with no block: no tint, which is no evidence
        }
        const double neutral = Quantile(std::move(chroma), kFloorNeutralShare);
        double sums[5] = {0.0, 0.0, 0.0, 0.0, 0.0};
        std::size_t count = 0;
        for (std::size_t i = 0; i < blocks; ++i) {
            if (bandOf[i] == band && chromaOf[i] <= neutral) {
                sums[0] += lab[i].a;
                sums[1] += lab[i].b;
                for (std::int32_t c = 0; c < kChannels; ++c) {
                    sums[2 + c] += medians[i * kChannels + c];
                }
                ++count;
            }
        }
        floor->tint[band][0] = sums[0] / static_cast<double>(count);
        floor->tint[band][1] = sums[1] / static_cast<double>(count);
        for (std::int32_t c = 0; c < kChannels; ++c) {
            floor->code[band][c] = sums[2 + c] / static_cast<double>(count);
        }
    }
    floor->measured = true;
    return 0;
}

namespace {

double Ramp(double value, double start, double full) {
    return Clamp((value - start) / (full - start), 0.0, 1.0);
}

double Cosine(const double a[2], const double b[2]) {
    const double lengths = std::hypot(a[0], a[1]) * std::hypot(b[0], b[1]);
    return lengths > 1e-9 ? (a[0] * b[0] + a[1] * b[1]) / lengths : 0.0;
}

}  // namespace

double TintEvidence(const NeutralFloor& floor) {
    if (!floor.measured) {
        return 0.0;
    }
    const double alike =
        std::min(Cosine(floor.tint[0], floor.tint[1]), Cosine(floor.tint[1], floor.tint[2]));
    double strongest = 0.0;
    for (const auto& tint : floor.tint) {
        strongest = std::max(strongest, std::hypot(tint[0], tint[1]));
    }
    const double shadow = std::hypot(floor.tint[0][0], floor.tint[0][1]);
    return Ramp(alike, kTintAlikeStart, kTintAlikeFull) *
           Ramp(shadow, kTintShadowStart, kTintShadowFull) *
           (1.0 - Ramp(strongest, kTintSaturatedStart, kTintSaturatedFull));
}

}  // namespace mirtane
