#include "analysis/PictureArea.h"

#include <algorithm>
#include <memory>
#include <new>
#include <utility>

namespace mirtane {

namespace {

constexpr std::int32_t kChannels = 3;
constexpr std::int32_t kMinimumBlocks = 3;

enum BlockKind : std::uint8_t { kMiddle = 0, kDark = 1, kBright = 2 };

// The kind of every block of the image, row by row of blocks.
class BlockKinds {
  public:
    BlockKinds(std::int32_t columns, std::int32_t rows) : columns_(columns), rows_(rows) {
        kinds_.reset(
            new (std::nothrow)
                std::uint8_t[static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows)]);
    }
    bool Available() const { return kinds_ != nullptr; }
    std::uint8_t& At(std::int32_t column, std::int32_t row) {
        return kinds_[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
                      static_cast<std::size_t>(column)];
    }
    std::int32_t Columns() const { return columns_; }
    std::int32_t Rows() const { return rows_; }

  private:
    std::unique_ptr<std::uint8_t[]> kinds_;
    std::int32_t columns_;
    std::int32_t rows_;
};

// Classifies every block and, when means is not null, stores its rounded
// means. The samples of a row of blocks are first summed down the block's
// eight rows, sample by sample (a loop the compiler turns into vector
// additions), then eight of those column sums make each block's channel
// sums: the same integers as summing the block's samples one by one.
void ClassifyBlocks(const std::uint8_t* pixels, std::ptrdiff_t rowStride, BlockKinds& kinds,
                    std::uint8_t* means, std::uint16_t* columnSums) {
    constexpr std::int32_t kSamples = kBorderBlockSize * kBorderBlockSize;
    const std::size_t rowBytes =
        static_cast<std::size_t>(kinds.Columns()) * kBorderBlockSize * kChannels;
    for (std::int32_t row = 0; row < kinds.Rows(); ++row) {
        const std::uint8_t* line =
            pixels + static_cast<std::ptrdiff_t>(row) * kBorderBlockSize * rowStride;
        for (std::size_t k = 0; k < rowBytes; ++k) {
            columnSums[k] = line[k];
        }
        for (std::int32_t y = 1; y < kBorderBlockSize; ++y) {
            line += rowStride;
            for (std::size_t k = 0; k < rowBytes; ++k) {
                columnSums[k] = static_cast<std::uint16_t>(columnSums[k] + line[k]);
            }
        }
        for (std::int32_t column = 0; column < kinds.Columns(); ++column) {
            const std::uint16_t* sample =
                columnSums + static_cast<std::size_t>(column) * kBorderBlockSize * kChannels;
            std::int32_t sums[kChannels] = {0, 0, 0};
            for (std::int32_t x = 0; x < kBorderBlockSize; ++x, sample += kChannels) {
                sums[0] += sample[0];
                sums[1] += sample[1];
                sums[2] += sample[2];
            }
            const std::int32_t darkest = std::min({sums[0], sums[1], sums[2]});
            const std::int32_t brightest = std::max({sums[0], sums[1], sums[2]});
            std::uint8_t kind = kMiddle;
            if (brightest <= kBorderDarkCode * kSamples) {
                kind = kDark;
            } else if (darkest >= kBorderBrightCode * kSamples) {
                kind = kBright;
            }
            kinds.At(column, row) = kind;
            if (means != nullptr) {
                std::uint8_t* out = means + (static_cast<std::size_t>(row) *
                                                 static_cast<std::size_t>(kinds.Columns()) +
                                             static_cast<std::size_t>(column)) *
                                                kChannels;
                for (std::int32_t c = 0; c < kChannels; ++c) {
                    out[c] = static_cast<std::uint8_t>((sums[c] + kSamples / 2) / kSamples);
                }
            }
        }
    }
}

// The share of the line's `count` blocks that are dark, or bright if more
// are. `kindAt(i)` gives the kind of block i of the line.
template <typename KindAt>
double BorderShare(std::int32_t count, KindAt kindAt) {
    std::int32_t dark = 0;
    std::int32_t bright = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::uint8_t kind = kindAt(i);
        dark += kind == kDark;
        bright += kind == kBright;
    }
    return static_cast<double>(std::max(dark, bright)) / count;
}

// How many lines from one side are border, at most `limit`: lines are
// followed inward while at least half of each is border-like (a caption in a
// letterbox takes the rest), and the border ends at the last of them that is
// border through and through. One block more is taken when there is a
// border, since the block where border and picture meet is part of both.
// `kindAt(line, i)` gives block i of line `line` counted from that side.
template <typename KindAt>
std::int32_t BorderDepth(std::int32_t lineLength, std::int32_t limit, KindAt kindAt) {
    std::int32_t depth = 0;
    for (std::int32_t line = 0; line < limit; ++line) {
        const double share =
            BorderShare(lineLength, [&](std::int32_t i) { return kindAt(line, i); });
        if (share < kBorderCaptionShare) {
            break;
        }
        if (share >= kBorderShare) {
            depth = line + 1;
        }
    }
    return depth > 0 ? std::min(depth + 1, limit) : 0;
}

}  // namespace

PictureArea FindPictureArea(const std::uint8_t* pixels, std::int32_t width, std::int32_t height,
                            std::ptrdiff_t rowStride, bool* found) {
    return FindPictureArea(pixels, width, height, rowStride, found, nullptr);
}

PictureArea FindPictureArea(const std::uint8_t* pixels, std::int32_t width, std::int32_t height,
                            std::ptrdiff_t rowStride, bool* found, BlockMeans* means) {
    const PictureArea whole{0, 0, width, height};
    *found = false;
    if (means != nullptr) {
        *means = BlockMeans{};
    }
    const std::int32_t columns = width / kBorderBlockSize;
    const std::int32_t rows = height / kBorderBlockSize;
    if (columns < kMinimumBlocks || rows < kMinimumBlocks) {
        return whole;
    }
    BlockKinds kinds(columns, rows);
    const std::size_t rowBytes = static_cast<std::size_t>(columns) * kBorderBlockSize * kChannels;
    std::unique_ptr<std::uint16_t[]> columnSums(new (std::nothrow) std::uint16_t[rowBytes]);
    std::unique_ptr<std::uint8_t[]> blockMeans;
    if (means != nullptr) {
        blockMeans.reset(new (std::nothrow)
                             std::uint8_t[static_cast<std::size_t>(columns) *
                                          static_cast<std::size_t>(rows) * kChannels]);
    }
    if (!kinds.Available() || columnSums == nullptr ||
        (means != nullptr && blockMeans == nullptr)) {
        return whole;
    }
    *found = true;
    ClassifyBlocks(pixels, rowStride, kinds, blockMeans.get(), columnSums.get());
    if (means != nullptr) {
        means->rgb = std::move(blockMeans);
        means->columns = columns;
        means->rows = rows;
    }
    const auto rowLimit = static_cast<std::int32_t>(kBorderLimit * rows);
    const auto columnLimit = static_cast<std::int32_t>(kBorderLimit * columns);
    const std::int32_t top = BorderDepth(
        columns, rowLimit, [&](std::int32_t line, std::int32_t i) { return kinds.At(i, line); });
    const std::int32_t bottom = BorderDepth(
        columns, rowLimit,
        [&](std::int32_t line, std::int32_t i) { return kinds.At(i, rows - 1 - line); });
    // Columns are judged over the rows that are left, so that a letterbox
    // does not hide a black film edge beside the picture.
    const std::int32_t innerRows = rows - top - bottom;
    const std::int32_t left =
        BorderDepth(innerRows, columnLimit,
                    [&](std::int32_t line, std::int32_t i) { return kinds.At(line, top + i); });
    const std::int32_t right = BorderDepth(
        innerRows, columnLimit,
        [&](std::int32_t line, std::int32_t i) { return kinds.At(columns - 1 - line, top + i); });
    // Samples beyond the last whole block belong to the bottom or right
    // border only when that border was found.
    PictureArea area;
    area.left = left * kBorderBlockSize;
    area.top = top * kBorderBlockSize;
    const std::int32_t rightEdge = right > 0 ? (columns - right) * kBorderBlockSize : width;
    const std::int32_t bottomEdge = bottom > 0 ? (rows - bottom) * kBorderBlockSize : height;
    area.width = rightEdge - area.left;
    area.height = bottomEdge - area.top;
    return area;
}

}  // namespace mirtane
