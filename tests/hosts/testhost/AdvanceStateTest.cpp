// How the test host serves advanceState: which bytes it delivers, with which
// stride, how it samples and pads, and when output lands in the image.
#include <gtest/gtest.h>

#include <functional>

#include "FakePlugin.h"
#include "hosts/testhost/TestHost.h"

namespace {

using hostkit::Image;
using testhost::TestHost;

std::uint8_t Value(int x, int y, int plane) {
    return static_cast<std::uint8_t>(x * 7 + y * 13 + plane * 101);
}

Image Patterned(int width, int height) {
    Image image = hostkit::MakeImage(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int p = 0; p < 3; ++p) {
                image.At(x, y, p) = Value(x, y, p);
            }
        }
    }
    return image;
}

void SetIn(FilterRecord& record, Rect rect, std::int16_t lo, std::int16_t hi) {
    record.inRect = rect;
    record.inLoPlane = lo;
    record.inHiPlane = hi;
}

void SetOut(FilterRecord& record, Rect rect, std::int16_t lo, std::int16_t hi) {
    record.outRect = rect;
    record.outLoPlane = lo;
    record.outHiPlane = hi;
}

std::uint8_t* Bytes(void* data) { return static_cast<std::uint8_t*>(data); }

class AdvanceStateTest : public ::testing::Test {
  protected:
    AdvanceStateTest() { host.SetImage(Patterned(8, 6)); }
    ~AdvanceStateTest() override { fakeplugin::Install(nullptr); }

    // Runs `body` inside the start selector, as the plug-in would.
    OSErr InStart(std::function<void(FilterRecord&)> body) {
        fakeplugin::InstallStartOnly(
            [&body](FilterRecord& record, std::int16_t*) { body(record); });
        return host.CallSelector(filterSelectorStart);
    }

    TestHost host{&fakeplugin::Entry};
};

TEST_F(AdvanceStateTest, DeliversTheRequestedPlanesInterleavedLowToHigh) {
    InStart([](FilterRecord& record) {
        SetIn(record, Rect{1, 2, 4, 6}, 1, 2);
        ASSERT_EQ(record.advanceState(), noErr);
        ASSERT_NE(fakeplugin::Field(record.inData), nullptr);
        EXPECT_EQ(record.inRowBytes, 4 * 2);
        EXPECT_EQ(record.inColumnBytes, 2);
        EXPECT_EQ(fakeplugin::Field(record.outData), nullptr);
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 4; ++column) {
                for (int k = 0; k < 2; ++k) {
                    EXPECT_EQ(Bytes(record.inData)[row * record.inRowBytes + column * 2 + k],
                              Value(2 + column, 1 + row, 1 + k))
                        << "row " << row << " column " << column << " plane " << 1 + k;
                }
            }
        }
    });
}

TEST_F(AdvanceStateTest, RowPaddingWidensTheStrideAndOnlyTheRowsAreWrittenBack) {
    host.SetRowPadding(3);
    const Image before = host.image();
    InStart([](FilterRecord& record) {
        SetIn(record, Rect{1, 1, 4, 5}, 0, 2);
        SetOut(record, Rect{1, 1, 4, 5}, 0, 2);
        ASSERT_EQ(record.advanceState(), noErr);
        ASSERT_EQ(record.inRowBytes, 4 * 3 + 3);
        ASSERT_EQ(record.outRowBytes, 4 * 3 + 3);
        for (int row = 0; row < 3; ++row) {
            const std::uint8_t* in = Bytes(record.inData) + row * record.inRowBytes;
            std::uint8_t* out = Bytes(record.outData) + row * record.outRowBytes;
            EXPECT_EQ(in[0], Value(1, 1 + row, 0));
            for (int i = 0; i < 4 * 3; ++i) {
                out[i] = static_cast<std::uint8_t>(255 - in[i]);
            }
            for (int i = 4 * 3; i < record.outRowBytes; ++i) {
                out[i] = 0x77;  // padding: must not reach the image
            }
        }
    });
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool inside = y >= 1 && y < 4 && x >= 1 && x < 5;
            for (int p = 0; p < 3; ++p) {
                const int expected = inside ? 255 - before.At(x, y, p) : before.At(x, y, p);
                EXPECT_EQ(host.image().At(x, y, p), expected) << x << "," << y << " plane " << p;
            }
        }
    }
}

TEST_F(AdvanceStateTest, OutputStartsAsTheCurrentPixels) {
    InStart([](FilterRecord& record) {
        SetOut(record, Rect{2, 3, 5, 7}, 0, 2);
        ASSERT_EQ(record.advanceState(), noErr);
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 4; ++column) {
                for (int p = 0; p < 3; ++p) {
                    EXPECT_EQ(Bytes(record.outData)[row * record.outRowBytes + column * 3 + p],
                              Value(3 + column, 2 + row, p));
                }
            }
        }
    });
}

TEST_F(AdvanceStateTest, OutputLandsAtTheNextRequestAndWhenTheSelectorReturns) {
    TestHost& testHost = host;
    InStart([&testHost](FilterRecord& record) {
        SetOut(record, Rect{0, 0, 1, 2}, 0, 2);
        ASSERT_EQ(record.advanceState(), noErr);
        std::fill_n(Bytes(record.outData), 6, 0);
        EXPECT_EQ(testHost.image().At(1, 0, 2), Value(1, 0, 2))
            << "written before the next request";

        SetOut(record, Rect{5, 6, 6, 8}, 1, 1);
        ASSERT_EQ(record.advanceState(), noErr);
        EXPECT_EQ(testHost.image().At(0, 0, 0), 0);
        EXPECT_EQ(testHost.image().At(1, 0, 2), 0);
        EXPECT_EQ(testHost.image().At(2, 0, 0), Value(2, 0, 0));
        EXPECT_EQ(Bytes(record.outData)[0], Value(6, 5, 1));
        Bytes(record.outData)[0] = 1;
        Bytes(record.outData)[1] = 2;
        EXPECT_EQ(testHost.image().At(6, 5, 1), Value(6, 5, 1));
    });
    EXPECT_EQ(host.image().At(6, 5, 1), 1);
    EXPECT_EQ(host.image().At(7, 5, 1), 2);
    EXPECT_EQ(host.image().At(7, 5, 0), Value(7, 5, 0)) << "only the requested plane lands";
    EXPECT_EQ(fakeplugin::Field(host.record().outData), nullptr)
        << "areas are not valid after the selector";
}

TEST_F(AdvanceStateTest, EmptyRectanglesDeliverNullAndZeroRowBytes) {
    InStart([](FilterRecord& record) {
        SetIn(record, Rect{0, 0, 2, 2}, 0, 2);
        SetOut(record, Rect{0, 0, 2, 2}, 0, 2);
        ASSERT_EQ(record.advanceState(), noErr);
        ASSERT_NE(fakeplugin::Field(record.inData), nullptr);
        record.inRect = Rect{3, 3, 3, 5};   // no rows
        record.outRect = Rect{0, 4, 2, 2};  // right before left
        ASSERT_EQ(record.advanceState(), noErr);
        EXPECT_EQ(fakeplugin::Field(record.inData), nullptr);
        EXPECT_EQ(record.inRowBytes, 0);
        EXPECT_EQ(fakeplugin::Field(record.outData), nullptr);
        EXPECT_EQ(record.outRowBytes, 0);
    });
    EXPECT_EQ(host.requests().size(), 2u);
}

class SampledInputTest : public AdvanceStateTest {
  protected:
    SampledInputTest() {
        // Plane 0 of a 4 x 4 image; the other planes stay 0.
        const int rows[4][4] = {
            {0, 10, 20, 30}, {2, 12, 22, 34}, {100, 100, 0, 0}, {101, 100, 0, 1}};
        Image image = hostkit::MakeImage(4, 4);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x) {
                image.At(x, y, 0) = static_cast<std::uint8_t>(rows[y][x]);
            }
        }
        host.SetImage(image);
    }

    std::vector<int> SampleAtRate(Fixed rate, Rect rect) {
        std::vector<int> samples;
        InStart([&](FilterRecord& record) {
            record.inputRate = rate;
            SetIn(record, rect, 0, 0);
            ASSERT_EQ(record.advanceState(), noErr);
            for (int row = 0; row < rect.bottom - rect.top; ++row) {
                for (int column = 0; column < rect.right - rect.left; ++column) {
                    samples.push_back(Bytes(record.inData)[row * record.inRowBytes + column]);
                }
            }
        });
        return samples;
    }
};

TEST_F(SampledInputTest, EachSampleIsTheRoundedAverageOfItsBlock) {
    // (0+10+2+12)/4 = 6, (20+30+22+34)/4 = 26.5 -> 27, 401/4 -> 100, 1/4 -> 0.
    EXPECT_EQ(SampleAtRate(2 * kFixedOne, Rect{0, 0, 2, 2}), (std::vector<int>{6, 27, 100, 0}));
}

TEST_F(SampledInputTest, SampledCoordinatesStandForPixelsTimesTheRate) {
    EXPECT_EQ(SampleAtRate(2 * kFixedOne, Rect{0, 1, 2, 2}), (std::vector<int>{27, 0}));
}

TEST_F(SampledInputTest, PointSamplingTakesTheBlocksFirstPixel) {
    host.SetSampling(testhost::Sampling::Point);
    EXPECT_EQ(SampleAtRate(2 * kFixedOne, Rect{0, 0, 2, 2}), (std::vector<int>{0, 20, 100, 0}));
}

TEST_F(SampledInputTest, RatesRoundToTheNearestWholeNumberAndZeroMeansOne) {
    EXPECT_EQ(SampleAtRate(0x18000, Rect{0, 0, 1, 2}), (std::vector<int>{6, 27}));
    EXPECT_EQ(SampleAtRate(0x17FFF, Rect{0, 0, 1, 2}), (std::vector<int>{0, 10}));
    EXPECT_EQ(SampleAtRate(0, Rect{1, 2, 2, 4}), (std::vector<int>{22, 34}));
}

TEST_F(SampledInputTest, PartialBlocksAtTheEdgeAreOutsideTheSampledImage) {
    host.SetImage(Patterned(5, 5));  // rate 2 samples 2 x 2 pixels of it
    InStart([](FilterRecord& record) {
        record.inputRate = 2 * kFixedOne;
        SetIn(record, Rect{0, 0, 2, 3}, 0, 0);
        EXPECT_EQ(record.advanceState(), paramErr) << "the host starts at error-on-bounds";
        record.inputPadding = 9;
        ASSERT_EQ(record.advanceState(), noErr);
        EXPECT_EQ(Bytes(record.inData)[2], 9);
        EXPECT_EQ(Bytes(record.inData)[record.inRowBytes + 2], 9);
    });
}

TEST_F(AdvanceStateTest, OutOfImagePartsFollowThePaddingField) {
    InStart([](FilterRecord& record) {
        SetIn(record, Rect{-1, -1, 1, 1}, 0, 0);
        ASSERT_EQ(record.advanceState(), paramErr);
        EXPECT_EQ(fakeplugin::Field(record.inData), nullptr);

        record.inputPadding = 200;
        ASSERT_EQ(record.advanceState(), noErr);
        const std::uint8_t* filled = Bytes(record.inData);
        EXPECT_EQ(filled[0], 200);
        EXPECT_EQ(filled[1], 200);
        EXPECT_EQ(filled[record.inRowBytes], 200);
        EXPECT_EQ(filled[record.inRowBytes + 1], Value(0, 0, 0));

        record.inputPadding = plugInWantsEdgeReplication;
        SetIn(record, Rect{-1, 6, 1, 10}, 0, 0);  // right of the image, above it
        ASSERT_EQ(record.advanceState(), noErr);
        const std::uint8_t* replicated = Bytes(record.inData);
        EXPECT_EQ(replicated[0], Value(6, 0, 0));
        EXPECT_EQ(replicated[3], Value(7, 0, 0));
        EXPECT_EQ(replicated[record.inRowBytes + 1], Value(7, 0, 0));

        record.inputPadding = -4;
        EXPECT_EQ(record.advanceState(), paramErr) << "not a padding value";
    });
}

TEST_F(AdvanceStateTest, OutputLandsOnlyInsideTheImageAndTheSelection) {
    host.SetSelection(Rect{1, 1, 3, 4});
    const Image before = host.image();
    InStart([](FilterRecord& record) {
        record.outputPadding = 0;
        SetOut(record, Rect{-2, -2, 9, 12}, 0, 2);
        ASSERT_EQ(record.advanceState(), noErr);
        std::fill_n(Bytes(record.outData), record.outRowBytes * 11, 0);
    });
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool selected = y >= 1 && y < 3 && x >= 1 && x < 4;
            EXPECT_EQ(host.image().At(x, y, 1), selected ? 0 : before.At(x, y, 1)) << x << "," << y;
        }
    }
}

TEST_F(AdvanceStateTest, SelectionMaskIsDeliveredAndBlendsTheOutput) {
    host.SetImage(hostkit::MakeImage(8, 6, 3, 200));
    std::vector<std::uint8_t> mask(8 * 6, 0);
    mask[1 * 8 + 2] = 255;
    mask[1 * 8 + 3] = 128;
    host.SetMask(mask);
    EXPECT_EQ(host.record().haveMask, 1);
    EXPECT_EQ(host.record().filterRect.left, 2);
    EXPECT_EQ(host.record().filterRect.right, 4);
    EXPECT_EQ(host.record().filterCase, filterCaseFlatImageWithSelection);
    InStart([](FilterRecord& record) {
        record.maskRect = Rect{0, 1, 2, 5};
        SetOut(record, record.filterRect, 0, 2);
        ASSERT_EQ(record.advanceState(), noErr);
        ASSERT_NE(fakeplugin::Field(record.maskData), nullptr);
        EXPECT_EQ(record.maskRowBytes, 4);
        const std::uint8_t* maskRow = Bytes(record.maskData) + record.maskRowBytes;
        EXPECT_EQ(maskRow[0], 0);
        EXPECT_EQ(maskRow[1], 255);
        EXPECT_EQ(maskRow[2], 128);
        std::fill_n(Bytes(record.outData), 6, 0);
    });
    EXPECT_EQ(host.image().At(2, 1, 0), 0);
    EXPECT_EQ(host.image().At(3, 1, 0), 100) << "half selected: halfway to the output";
    EXPECT_EQ(host.image().At(1, 1, 0), 200);
}

TEST_F(AdvanceStateTest, WithoutAutoMaskTheOutputIsNotBlended) {
    host.SetImage(hostkit::MakeImage(8, 6, 3, 200));
    std::vector<std::uint8_t> mask(8 * 6, 0);
    mask[1 * 8 + 2] = 255;
    mask[1 * 8 + 3] = 128;
    host.SetMask(mask);
    InStart([](FilterRecord& record) {
        record.autoMask = 0;
        SetOut(record, record.filterRect, 0, 2);
        ASSERT_EQ(record.advanceState(), noErr);
        std::fill_n(Bytes(record.outData), 6, 0);
    });
    EXPECT_EQ(host.image().At(3, 1, 0), 0);
}

TEST_F(AdvanceStateTest, BadPlaneRangesAndOversizedAreasAreRefused) {
    InStart([](FilterRecord& record) {
        SetIn(record, Rect{0, 0, 1, 1}, 2, 3);
        EXPECT_EQ(record.advanceState(), paramErr);
        SetIn(record, Rect{0, 0, 1, 1}, 1, 0);
        EXPECT_EQ(record.advanceState(), paramErr);
        record.inputPadding = 0;
        SetIn(record, Rect{-32768, -32768, 32767, 32767}, 0, 2);
        EXPECT_EQ(record.advanceState(), memFullErr);
        EXPECT_EQ(fakeplugin::Field(record.inData), nullptr);
    });
    ASSERT_EQ(host.requests().size(), 3u);
    EXPECT_EQ(host.requests()[2].result, memFullErr);
    EXPECT_EQ(host.requests()[2].inputPadding, 0);
}

}  // namespace
