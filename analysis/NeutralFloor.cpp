#include "analysis/NeutralFloor.h"

#include <algorithm>
#include <cmath>
#include <memory>
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

// Rounded means of the 8 x 8 blocks of the area, R, G, B per block. The
// samples of a row of blocks are summed down its eight rows first, sample by
// sample (vector additions), then eight column sums give a block's channel
// sum: the same integers as adding the block's samples one by one.
void SumBlockMeans(const std::uint8_t* pixels, std::ptrdiff_t rowStride, std::int32_t columns,
                   std::int32_t rows, std::vector<std::uint16_t>& columnSums, std::uint8_t* means) {
    const std::size_t rowBytes = static_cast<std::size_t>(columns) * kFloorBlockSize * kChannels;
    for (std::int32_t row = 0; row < rows; ++row) {
        const std::uint8_t* line =
            pixels + static_cast<std::ptrdiff_t>(row) * kFloorBlockSize * rowStride;
        for (std::size_t k = 0; k < rowBytes; ++k) {
            columnSums[k] = line[k];
        }
        for (std::int32_t y = 1; y < kFloorBlockSize; ++y) {
            line += rowStride;
            for (std::size_t k = 0; k < rowBytes; ++k) {
                columnSums[k] = static_cast<std::uint16_t>(columnSums[k] + line[k]);
            }
        }
        std::uint8_t* out = means + static_cast<std::size_t>(row) * columns * kChannels;
        for (std::int32_t column = 0; column < columns; ++column) {
            const std::uint16_t* sample =
                &columnSums[static_cast<std::size_t>(column) * kFloorBlockSize * kChannels];
            std::int32_t sums[kChannels] = {0, 0, 0};
            for (std::int32_t x = 0; x < kFloorBlockSize; ++x, sample += kChannels) {
                sums[0] += sample[0];
                sums[1] += sample[1];
                sums[2] += sample[2];
            }
            for (std::int32_t c = 0; c < kChannels; ++c) {
                out[column * kChannels + c] =
                    static_cast<std::uint8_t>((sums[c] + kBlockSamples / 2) / kBlockSamples);
            }
        }
    }
}

// Values filtered side by side: each step of the median network below runs
// over this many of them at once, a loop the compiler turns into vector
// minima and maxima.
constexpr std::int32_t kLanes = 64;

// One exchange of the network on every lane: the smaller value to a, the
// larger to b.
void Order(std::uint8_t (&a)[kLanes], std::uint8_t (&b)[kLanes]) {
    for (std::int32_t k = 0; k < kLanes; ++k) {
        const std::uint8_t low = std::min(a[k], b[k]);
        const std::uint8_t high = std::max(a[k], b[k]);
        a[k] = low;
        b[k] = high;
    }
}

// The median of nine values per lane by a fixed network of 19 exchanges
// (Paeth's); v[4] holds it afterwards.
void MedianOfNine(std::uint8_t (&v)[9][kLanes]) {
    const auto order = [&v](int a, int b) { Order(v[a], v[b]); };
    order(1, 2), order(4, 5), order(7, 8), order(0, 1), order(3, 4), order(6, 7);
    order(1, 2), order(4, 5), order(7, 8), order(0, 3), order(5, 8), order(4, 7);
    order(3, 6), order(1, 4), order(2, 5), order(4, 7), order(4, 2), order(6, 4);
    order(4, 2);
}

// The 3 x 3 median of each channel of the block means, borders replicated.
// means: rows of columns blocks (R, G, B), meansStride bytes apart; medians
// receives them packed, columns x 3 bytes per row. Along a row the same
// channel of the neighbouring blocks lies 3 bytes away, so the three
// channels are filtered together as one row of bytes.
void MedianOfBlocks(const std::uint8_t* means, std::ptrdiff_t meansStride, std::int32_t columns,
                    std::int32_t rows, std::uint8_t* medians) {
    const std::int32_t rowBytes = columns * kChannels;
    for (std::int32_t row = 0; row < rows; ++row) {
        const std::uint8_t* lines[3];
        for (std::int32_t dy = -1; dy <= 1; ++dy) {
            lines[dy + 1] =
                means + static_cast<std::ptrdiff_t>(Clamp(row + dy, 0, rows - 1)) * meansStride;
        }
        std::uint8_t* out = medians + static_cast<std::size_t>(row) * rowBytes;
        for (std::int32_t first = 0; first < rowBytes; first += kLanes) {
            std::uint8_t window[9][kLanes];
            const bool inside = first >= kChannels && first + kLanes + kChannels <= rowBytes;
            for (std::int32_t dy = 0; dy < 3; ++dy) {
                for (std::int32_t dx = -1; dx <= 1; ++dx) {
                    std::uint8_t(&lane)[kLanes] = window[dy * 3 + dx + 1];
                    const std::uint8_t* line = lines[dy];
                    if (inside) {
                        std::copy(line + first + dx * kChannels,
                                  line + first + dx * kChannels + kLanes, lane);
                        continue;
                    }
                    // At the ends of the row a block outside is replaced by
                    // the block itself; lanes past the end repeat the last byte.
                    for (std::int32_t k = 0; k < kLanes; ++k) {
                        const std::int32_t index = std::min(first + k, rowBytes - 1);
                        const std::int32_t column = index / kChannels + dx;
                        lane[k] =
                            line[column >= 0 && column < columns ? index + dx * kChannels : index];
                    }
                }
            }
            MedianOfNine(window);
            std::copy(window[4], window[4] + std::min(kLanes, rowBytes - first), out + first);
        }
    }
}

// CIE L* a* b* of every block's median colour and its chroma. Blocks of one
// colour are common (flat skies, walls, borders), so recent colours are kept
// in a small table indexed by a hash of the codes: the values are the same
// as working each block out, since they depend on the three codes only.
class BlockColours {
  public:
    // Throws std::bad_alloc without storage for the table.
    BlockColours() : entries_(std::size_t{1} << kEntryBits, Entry{-1, {}, 0.0}) {
        for (std::int32_t v = 0; v < kCodes; ++v) {
            linear_[v] = SrgbToLinear(v / 255.0);
        }
    }
    void Of(const std::uint8_t* codes, Lab* lab, double* chroma) {
        const std::int32_t key = codes[0] << 16 | codes[1] << 8 | codes[2];
        Entry& entry =
            entries_[(static_cast<std::uint32_t>(key) * 2654435761u) >> (32 - kEntryBits)];
        if (entry.key != key) {
            const double colour[kChannels] = {linear_[codes[0]], linear_[codes[1]],
                                              linear_[codes[2]]};
            entry.key = key;
            entry.lab = LabOf(colour);
            entry.chroma = std::hypot(entry.lab.a, entry.lab.b);
        }
        *lab = entry.lab;
        *chroma = entry.chroma;
    }

  private:
    static constexpr std::int32_t kEntryBits = 12;
    struct Entry {
        std::int32_t key;
        Lab lab;
        double chroma;
    };
    double linear_[kCodes];
    std::vector<Entry> entries_;
};

// The value below which `share` of the `count` values from `values` on lie
// (an element of them); the values are reordered.
double Quantile(double* values, std::size_t count, double share) {
    const auto index = static_cast<std::ptrdiff_t>(share * static_cast<double>(count - 1));
    std::nth_element(values, values + index, values + count);
    return values[index];
}

// The values below which `low` and `high` (low <= high) of the `count`
// values from `values` on lie, as Quantile gives them, from one partition of
// the values (reordered): after the first selection the values from the
// lower index on are the largest ones, so the upper index (not below the
// lower, as high is not below low) is found among them alone.
void TwoQuantiles(double* values, std::size_t count, double low, double high, double* lowValue,
                  double* highValue) {
    const double last = static_cast<double>(count - 1);
    const auto lowIndex = static_cast<std::ptrdiff_t>(static_cast<std::size_t>(low * last));
    const auto highIndex = static_cast<std::ptrdiff_t>(static_cast<std::size_t>(high * last));
    std::nth_element(values, values + lowIndex, values + count);
    // The second selection may move the value at the lower index: read it first.
    *lowValue = values[lowIndex];
    std::nth_element(values + lowIndex, values + highIndex, values + count);
    *highValue = values[highIndex];
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

// What the floor reads of every block: its colour in CIE L*a*b* and its
// chroma (through the colour cache) and its tone band, with room to select
// among the blocks' lightness or chroma.
struct BlockReadings {
    std::vector<Lab> lab;
    std::vector<std::uint8_t> bandOf;
    std::vector<double> chromaOf;
    std::vector<double> selection;
    std::unique_ptr<BlockColours> colours;
    std::size_t bandCount[3] = {0, 0, 0};

    // Room for `blocks` blocks; false without working storage.
    bool Allocate(std::size_t blocks) {
        try {
            lab.resize(blocks);
            bandOf.resize(blocks);
            chromaOf.resize(blocks);
            selection.resize(blocks);
            colours = std::make_unique<BlockColours>();
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }

    // Block i has the colour `codes` (R, G, B).
    void Read(std::size_t i, const std::uint8_t* codes) {
        colours->Of(codes, &lab[i], &chromaOf[i]);
    }

    // Each block's tone band (0 shadows, 1 mid-tones, 2 highlights) by its
    // L* among all blocks', and the blocks in each.
    void SplitIntoBands() {
        for (std::size_t i = 0; i < lab.size(); ++i) {
            selection[i] = lab[i].l;
        }
        double darkEdge = 0.0;
        double brightEdge = 0.0;
        TwoQuantiles(selection.data(), selection.size(), kFloorDarkShare, kFloorBrightShare,
                     &darkEdge, &brightEdge);
        bandCount[0] = bandCount[1] = bandCount[2] = 0;
        for (std::size_t i = 0; i < lab.size(); ++i) {
            const double l = lab[i].l;
            bandOf[i] = l <= darkEdge ? 0 : l >= brightEdge ? 2 : 1;
            ++bandCount[bandOf[i]];
        }
    }

    // The floor of one tone band: the least saturated tenth of its blocks,
    // their mean tint and their mean codes (from `medians`, which may be other
    // colours than the ones read). A band with no block is left as it is (no
    // tint, which is no evidence).
    void FloorOf(std::uint8_t band, const std::vector<std::uint8_t>& medians, NeutralFloor* floor) {
        if (bandCount[band] == 0) {
            return;
        }
        const std::size_t blocks = bandOf.size();
        std::size_t count = 0;
        for (std::size_t i = 0; i < blocks; ++i) {
            if (bandOf[i] == band) {
                selection[count++] = chromaOf[i];
            }
        }
        const double neutral = Quantile(selection.data(), count, kFloorNeutralShare);
        double sums[5] = {0.0, 0.0, 0.0, 0.0, 0.0};
        std::size_t selected = 0;
        for (std::size_t i = 0; i < blocks; ++i) {
            if (bandOf[i] == band && chromaOf[i] <= neutral) {
                sums[0] += lab[i].a;
                sums[1] += lab[i].b;
                for (std::int32_t c = 0; c < kChannels; ++c) {
                    sums[2 + c] += medians[i * kChannels + c];
                }
                ++selected;
            }
        }
        floor->tint[band][0] = sums[0] / static_cast<double>(selected);
        floor->tint[band][1] = sums[1] / static_cast<double>(selected);
        for (std::int32_t c = 0; c < kChannels; ++c) {
            floor->code[band][c] = sums[2 + c] / static_cast<double>(selected);
        }
    }
};

}  // namespace

std::int32_t MeasureNeutralFloor(const std::uint8_t* pixels, std::ptrdiff_t rowStride,
                                 const PictureArea& area, NeutralFloor* floor) {
    return MeasureNeutralFloor(pixels, rowStride, area, nullptr, floor);
}

std::int32_t MeasureNeutralFloor(const std::uint8_t* pixels, std::ptrdiff_t rowStride,
                                 const PictureArea& area, const BlockMeans* searched,
                                 NeutralFloor* floor, std::vector<std::uint8_t>* keptMedians) {
    static_assert(kFloorBlockSize == kBorderBlockSize, "the floor reads the search's blocks");
    *floor = NeutralFloor{};
    const std::int32_t columns = area.width / kFloorBlockSize;
    const std::int32_t rows = area.height / kFloorBlockSize;
    if (columns < kMinimumBlocks || rows < kMinimumBlocks) {
        return 0;
    }
    const bool reuse = searched != nullptr && searched->rgb != nullptr &&
                       area.left % kFloorBlockSize == 0 && area.top % kFloorBlockSize == 0 &&
                       area.left / kFloorBlockSize + columns <= searched->columns &&
                       area.top / kFloorBlockSize + rows <= searched->rows;
    const std::size_t blocks = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
    std::vector<std::uint8_t> means;
    std::vector<std::uint16_t> columnSums;
    std::vector<std::uint8_t> medians;
    BlockReadings readings;
    try {
        if (!reuse) {
            means.resize(blocks * kChannels);
            columnSums.resize(static_cast<std::size_t>(columns) * kFloorBlockSize * kChannels);
        }
        medians.resize(blocks * kChannels);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    if (!readings.Allocate(blocks)) {
        return -1;
    }
    if (reuse) {
        const std::ptrdiff_t meansStride =
            static_cast<std::ptrdiff_t>(searched->columns) * kChannels;
        const std::uint8_t* first =
            searched->rgb.get() +
            static_cast<std::ptrdiff_t>(area.top / kFloorBlockSize) * meansStride +
            static_cast<std::ptrdiff_t>(area.left / kFloorBlockSize) * kChannels;
        MedianOfBlocks(first, meansStride, columns, rows, medians.data());
    } else {
        const std::uint8_t* first = pixels + static_cast<std::ptrdiff_t>(area.top) * rowStride +
                                    static_cast<std::ptrdiff_t>(area.left) * kChannels;
        SumBlockMeans(first, rowStride, columns, rows, columnSums, means.data());
        MedianOfBlocks(means.data(), static_cast<std::ptrdiff_t>(columns) * kChannels, columns,
                       rows, medians.data());
    }
    for (std::size_t i = 0; i < blocks; ++i) {
        readings.Read(i, &medians[i * kChannels]);
    }
    BlockLevels(medians, kFloorLevelShare, floor);
    readings.SplitIntoBands();
    for (std::uint8_t band = 0; band < 3; ++band) {
        readings.FloorOf(band, medians, floor);
    }
    floor->measured = true;
    if (keptMedians != nullptr) {
        keptMedians->swap(medians);
    }
    return 0;
}

// The working storage of the readings, and the colour each block had when
// it was last read.
struct MidToneGreyReader::Work {
    BlockReadings readings;
    std::vector<std::uint8_t> lastRead;
    bool read = false;
};

MidToneGreyReader::MidToneGreyReader(const std::vector<std::uint8_t>& medians)
    : medians_(medians) {}

MidToneGreyReader::~MidToneGreyReader() = default;

std::int32_t MidToneGreyReader::Reread(const float (&tables)[3][kNaturalTableLength],
                                       NeutralFloor* floor) {
    const std::size_t blocks = medians_.size() / kChannels;
    if (!floor->measured || blocks == 0) {
        return 0;
    }
    if (work_ == nullptr) {
        try {
            auto work = std::make_unique<Work>();
            work->lastRead.resize(medians_.size());
            if (!work->readings.Allocate(blocks)) {
                return -1;
            }
            work_ = std::move(work);
        } catch (const std::bad_alloc&) {
            return -1;
        }
    }
    BlockReadings& readings = work_->readings;
    std::uint8_t corrected[kCodes][kChannels];
    for (std::int32_t v = 0; v < kCodes; ++v) {
        for (std::int32_t c = 0; c < kChannels; ++c) {
            corrected[v][c] =
                static_cast<std::uint8_t>(RoundHalfUp(static_cast<double>(tables[c][v]) * 255.0));
        }
    }
    for (std::size_t i = 0; i < blocks; ++i) {
        const std::uint8_t* codes = &medians_[i * kChannels];
        std::uint8_t* last = &work_->lastRead[i * kChannels];
        const std::uint8_t after[kChannels] = {corrected[codes[0]][0], corrected[codes[1]][1],
                                               corrected[codes[2]][2]};
        // Once the tables settle most blocks keep their corrected colour,
        // and with it their L*a*b*.
        if (!work_->read || after[0] != last[0] || after[1] != last[1] || after[2] != last[2]) {
            readings.Read(i, after);
            std::copy(after, after + kChannels, last);
        }
    }
    work_->read = true;
    readings.SplitIntoBands();
    // Only the mid-tones' codes are read again; the tints stay those of the
    // picture as it is, the evidence of its fade.
    NeutralFloor reread = *floor;
    readings.FloorOf(1, medians_, &reread);
    for (std::int32_t c = 0; c < kChannels; ++c) {
        floor->code[1][c] = reread.code[1][c];
    }
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
