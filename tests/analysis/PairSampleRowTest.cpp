#include "analysis/PairSampleRow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "GeneratedScenes.h"
#include "analysis/SlopeHistogram.h"

namespace mirtane {
namespace {

// The four-at-a-time row must give exactly the bits of the plain one,
// including the lanes that do not contribute and the values of awkward
// inputs (equal samples, zero and infinite inverse spreads, NaN).
TEST(PairSampleRow, FastRowMatchesThePlainRowBitForBit) {
    const std::int32_t width = 37;
    const std::int32_t height = 9;
    const std::size_t size = static_cast<std::size_t>(width * height);
    testing::Lcg random(99u);
    std::vector<float> p(size);
    std::vector<float> q(size);
    for (std::size_t k = 0; k < size; ++k) {
        p[k] = random.Next() < 0.2f ? 0.5f : random.Next();
        q[k] = random.Next() < 0.2f ? 0.5f : random.Next();
    }
    p[3 * width + 7] = std::numeric_limits<float>::quiet_NaN();
    const float spreads[4] = {0.37f, 0.0f, -0.2f, 1e-30f};
    for (float spread : spreads) {
        SCOPED_TRACE(spread);
        const PairSampleInputs in{p.data(),    q.data(),      static_cast<std::size_t>(width),
                                  0.5f,        1.0f / spread, 0.1f,
                                  1.0f / 0.8f, 0.02f,         0.95f,
                                  1.0f};
        for (std::int32_t y = 1; y <= height - 3; ++y) {
            std::vector<std::uint8_t> keepFast(static_cast<std::size_t>(width), 7);
            std::vector<std::uint8_t> keepPlain(static_cast<std::size_t>(width), 7);
            std::vector<float> fast[3];
            std::vector<float> plain[3];
            for (int k = 0; k < 3; ++k) {
                fast[k].assign(static_cast<std::size_t>(width), 0.0f);
                plain[k].assign(static_cast<std::size_t>(width), 0.0f);
            }
            const std::size_t rowStart = static_cast<std::size_t>(y * width);
            ComputePairSampleRow(
                in, rowStart, 1, width - 3,
                PairSampleOutputs{keepFast.data(), fast[0].data(), fast[1].data(), fast[2].data()});
            ComputePairSampleRowScalar(in, rowStart, 1, width - 3,
                                       PairSampleOutputs{keepPlain.data(), plain[0].data(),
                                                         plain[1].data(), plain[2].data()});
            EXPECT_EQ(keepFast, keepPlain) << "row " << y;
            // Bit for bit, except that a NaN may come out with another payload:
            // which NaN operand an operation passes on is the compiler's and the
            // instruction's choice, and nothing downstream reads a NaN's bits.
            for (int k = 0; k < 3; ++k) {
                for (std::size_t i = 0; i < fast[k].size(); ++i) {
                    const float a = fast[k][i];
                    const float b = plain[k][i];
                    if (std::isnan(a) && std::isnan(b)) continue;
                    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0)
                        << "row " << y << " output " << k << " column " << i << ": " << a << " vs "
                        << b;
                }
            }
        }
    }
}

// The histogram's own scatter must equal one AddAtNormalised per contributing
// pixel of the plain row, in pixel order.
TEST(PairSampleRow, HistogramSamplingEqualsPlainRowsThroughAddAtNormalised) {
    const testing::Planes scene = testing::Faded(testing::Scene(61, 47));
    const float* p = scene.channel[0].data();
    const float* q = scene.channel[2].data();
    const PairChannel primary{p, 0.2f, 0.45f, 1.0f};
    const PairChannel secondary{q, 0.15f, 0.3f, 1.0f};
    SlopeHistogram fast(256, 257);
    fast.AddPairSamples(primary, secondary, scene.width, scene.height, 0.1f, 0.95f);

    SlopeHistogram plain(256, 257);
    const PairSampleInputs in{p,
                              q,
                              static_cast<std::size_t>(scene.width),
                              0.2f,
                              1.0f / 0.45f,
                              0.15f,
                              1.0f / 0.3f,
                              0.1f,
                              0.95f - 0.1f,
                              1.0f};
    const std::size_t width = static_cast<std::size_t>(scene.width);
    std::vector<std::uint8_t> keep(width);
    std::vector<float> value(width);
    std::vector<float> column(width);
    std::vector<float> row(width);
    std::size_t contributions = 0;
    for (std::int32_t y = 1; y <= scene.height - 3; ++y) {
        ComputePairSampleRowScalar(
            in, static_cast<std::size_t>(y) * width, 1, scene.width - 3,
            PairSampleOutputs{keep.data(), value.data(), column.data(), row.data()});
        for (std::size_t x = 1; x + 3 <= width; ++x) {
            if (keep[x] != 0 && plain.AddAtNormalised(value[x], column[x], row[x]) == 0) {
                ++contributions;
            }
        }
    }
    ASSERT_GT(contributions, 500u);
    EXPECT_EQ(fast.MinColumn(), plain.MinColumn());
    EXPECT_EQ(fast.MaxColumn(), plain.MaxColumn());
    EXPECT_EQ(fast.MinRow(), plain.MinRow());
    EXPECT_EQ(fast.MaxRow(), plain.MaxRow());
    EXPECT_EQ(fast.Peak(), plain.Peak());
    for (std::int32_t c = 0; c < 256; ++c) {
        for (std::int32_t r = 0; r < 257; ++r) {
            ASSERT_EQ(fast.GetAt(c, r), plain.GetAt(c, r)) << "cell " << c << ", " << r;
        }
    }
}

}  // namespace
}  // namespace mirtane
