#include "analysis/NaturalMethod.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "analysis/ConsistentLevels.h"
#include "analysis/MedianCellRow.h"
#include "analysis/NaturalTables.h"
#include "analysis/NeutralFloor.h"
#include "analysis/PictureArea.h"
#include "analysis/ReduceCodeCells.h"
#include "analysis/Rounding.h"

namespace mirtane {

namespace {

constexpr std::int32_t kChannels = 3;
constexpr std::int32_t kMedianRadius = kNaturalMedianSize / 2;
constexpr std::int32_t kRangeRadius = kNaturalRangeSize / 2;
// The levels of cell row i read median rows i - 1 .. i + 1, which read cell
// rows i - 3 .. i + 3: the levels of row i are gathered once row i + 3 is
// reduced, and seven rows of cells and three of medians are kept.
constexpr std::int32_t kLevelsLag = kMedianRadius + kRangeRadius;
constexpr std::int32_t kReducedWindow = 2 * kLevelsLag + 1;
constexpr std::int32_t kMedianWindow = kNaturalRangeSize;
// Medians are worked out only where a local range is needed (a cell with a
// sample beyond the levels found so far, rare once the levels have settled),
// this many cells of a row at a time.
constexpr std::int32_t kMedianSpan = 64;

bool SettingsValid(const NaturalSettings& settings) {
    return std::isfinite(settings.dmax) && settings.dmax > 0.0 && settings.flare >= 0.0 &&
           settings.flare < 1.0;
}

// Rolling rows of the reduced and median planes of the three channels, in
// one block; row k of a plane lives in slot k modulo the window. Each median
// slot records which row it holds and which spans of it are worked out.
class CellWindows {
  public:
    explicit CellWindows(std::int32_t cellColumns)
        : columns(cellColumns), spans((cellColumns + kMedianSpan - 1) / kMedianSpan) {
        const std::size_t rowsPerChannel = kReducedWindow + kMedianWindow;
        const std::size_t perColumn = kChannels * rowsPerChannel;
        const std::size_t limit = std::numeric_limits<std::size_t>::max() / perColumn;
        if (static_cast<std::size_t>(cellColumns) > limit) {
            return;
        }
        storage.reset(new (std::nothrow)
                          std::uint8_t[perColumn * static_cast<std::size_t>(cellColumns)]);
        done.reset(new (std::nothrow)
                       std::uint8_t[kChannels * kMedianWindow * static_cast<std::size_t>(spans)]);
        for (auto& channelRows : medianRowOfSlot) {
            for (std::int32_t& row : channelRows) {
                row = -1;
            }
        }
    }
    bool Available() const { return storage != nullptr && done != nullptr; }
    std::uint8_t* ReducedRow(std::int32_t channel, std::int32_t row) {
        return Slot(channel, row % kReducedWindow);
    }
    std::uint8_t* MedianRow(std::int32_t channel, std::int32_t row) {
        return Slot(channel, kReducedWindow + row % kMedianWindow);
    }
    // Works out median row `row` of the channel over at least the cells
    // first .. end - 1, from reduced rows row - 2 .. row + 2 (clamped to
    // lastRow), which must be in the window. Returns the end of the cells
    // from first on that are worked out: the end of the last span touched.
    std::int32_t PrepareMedians(std::int32_t channel, std::int32_t row, std::int32_t lastRow,
                                std::int32_t first, std::int32_t end) {
        const std::int32_t slot = row % kMedianWindow;
        std::uint8_t* const spanDone =
            done.get() +
            (static_cast<std::size_t>(channel) * kMedianWindow + static_cast<std::size_t>(slot)) *
                static_cast<std::size_t>(spans);
        if (medianRowOfSlot[channel][slot] != row) {
            medianRowOfSlot[channel][slot] = row;
            std::fill(spanDone, spanDone + spans, std::uint8_t{0});
        }
        for (std::int32_t span = first / kMedianSpan; span * kMedianSpan < end; ++span) {
            if (spanDone[span] != 0) {
                continue;
            }
            const std::uint8_t* rows[kNaturalMedianSize];
            for (std::int32_t d = 0; d < kNaturalMedianSize; ++d) {
                rows[d] = ReducedRow(channel, Clamp(row + d - kMedianRadius, 0, lastRow));
            }
            MedianCellSpan(rows, columns, span * kMedianSpan,
                           std::min((span + 1) * kMedianSpan, columns), MedianRow(channel, row));
            spanDone[span] = 1;
        }
        return std::min((end + kMedianSpan - 1) / kMedianSpan * kMedianSpan, columns);
    }

  private:
    std::uint8_t* Slot(std::int32_t channel, std::int32_t slot) {
        const std::size_t index =
            static_cast<std::size_t>(channel) * (kReducedWindow + kMedianWindow) +
            static_cast<std::size_t>(slot);
        return storage.get() + index * static_cast<std::size_t>(columns);
    }

    std::unique_ptr<std::uint8_t[]> storage;
    std::unique_ptr<std::uint8_t[]> done;
    std::int32_t medianRowOfSlot[kChannels][kMedianWindow];
    std::int32_t columns;
    std::int32_t spans;
};

// What the levels of one cell row need to work out medians on demand.
struct MedianRequest {
    CellWindows* windows;
    std::int32_t levelsRow;
    std::int32_t lastCellRow;
};

std::int32_t PrepareBandMedians(void* context, std::int32_t channel, std::int32_t first,
                                std::int32_t end) {
    const auto* request = static_cast<const MedianRequest*>(context);
    std::int32_t ready = end;
    for (std::int32_t d = 0; d < kNaturalRangeSize; ++d) {
        const std::int32_t row =
            Clamp(request->levelsRow + d - kRangeRadius, 0, request->lastCellRow);
        ready = request->windows->PrepareMedians(channel, row, request->lastCellRow, first, end);
    }
    return ready;
}

// Reduces the image and gathers the consistent levels in one sweep down the
// image, the levels trailing the reduction by the rows their medians need;
// the medians themselves are worked out only where the levels ask for them
// (the same values as filtering every cell). -1 without working storage.
std::int32_t MeasureConsistentLevels(const std::uint8_t* pixels, std::int32_t width,
                                     std::int32_t height, std::ptrdiff_t rowStride,
                                     SampleLevels* levels) {
    const std::int32_t cellColumns = width / kNaturalCellSize;
    const std::int32_t cellRows = height / kNaturalCellSize;
    CellWindows windows(cellColumns);
    if (!windows.Available()) {
        return -1;
    }
    const std::int32_t lastCellRow = cellRows - 1;
    for (std::int32_t i = 0; i < cellRows + kLevelsLag; ++i) {
        if (i < cellRows) {
            std::uint8_t* const cells[kChannels] = {
                windows.ReducedRow(0, i), windows.ReducedRow(1, i), windows.ReducedRow(2, i)};
            ReduceCellRow(pixels, rowStride, i, cellColumns, cells);
        }
        const std::int32_t levelsRow = i - kLevelsLag;
        if (levelsRow < 0 || levelsRow >= cellRows) {
            continue;
        }
        const std::int32_t firstRow = levelsRow * kNaturalCellSize;
        MedianRequest request{&windows, levelsRow, lastCellRow};
        CellBand band;
        band.pixels = pixels + static_cast<std::ptrdiff_t>(firstRow) * rowStride;
        band.rowStride = rowStride;
        band.rowCount = levelsRow < lastCellRow ? kNaturalCellSize : height - firstRow;
        band.width = width;
        band.cellCount = cellColumns;
        for (std::int32_t c = 0; c < kChannels; ++c) {
            for (std::int32_t d = 0; d < kNaturalRangeSize; ++d) {
                band.medianRows[c][d] =
                    windows.MedianRow(c, Clamp(levelsRow + d - kRangeRadius, 0, lastCellRow));
            }
        }
        band.prepareMedians = PrepareBandMedians;
        band.context = &request;
        AccumulateConsistentLevels(band, levels);
    }
    return 0;
}

}  // namespace

std::int32_t ComputeNaturalCurves(const std::uint8_t* pixels, std::int32_t width,
                                  std::int32_t height, std::ptrdiff_t rowStride,
                                  const NaturalSettings& settings, NaturalResult* result) {
    if (pixels == nullptr || result == nullptr || width <= 0 || height <= 0) {
        return -1;
    }
    if (rowStride < static_cast<std::ptrdiff_t>(width) * kChannels || !SettingsValid(settings)) {
        return -1;
    }
    bool searched = false;
    BlockMeans blockMeans;
    const PictureArea area =
        FindPictureArea(pixels, width, height, rowStride, &searched, &blockMeans);
    if (!searched && width >= 3 * kBorderBlockSize && height >= 3 * kBorderBlockSize) {
        return -1;  // the search had no working storage
    }
    const std::uint8_t* const picture = pixels + static_cast<std::ptrdiff_t>(area.top) * rowStride +
                                        static_cast<std::ptrdiff_t>(area.left) * kChannels;
    SampleLevels levels;
    if (area.width >= kNaturalCellSize && area.height >= kNaturalCellSize &&
        MeasureConsistentLevels(picture, area.width, area.height, rowStride, &levels) != 0) {
        return -1;
    }
    NaturalResult measured;
    measured.choice.area = area;
    for (std::int32_t c = 0; c < kChannels; ++c) {
        measured.choice.levelsFound[c] = levels.Found(c);
        measured.choice.black[c] = levels.Found(c) ? levels.black[c] : 0;
        measured.choice.white[c] = levels.Found(c) ? levels.white[c] : kNaturalMaxCode;
    }
    NeutralFloor floor;
    std::vector<std::uint8_t> blocks;
    if (MeasureNeutralFloor(pixels, rowStride, area, &blockMeans, &floor, &blocks) != 0) {
        return -1;
    }
    BuildNaturalTables(settings, &floor, &measured);
    NaturalChoice& choice = measured.choice;
    choice.blackStrength = choice.strength;
    choice.tintStrength = TintEvidence(floor);
    for (std::int32_t band = 0; band < 3; ++band) {
        choice.tint[band][0] = floor.tint[band][0];
        choice.tint[band][1] = floor.tint[band][1];
    }
    if (choice.tintStrength > choice.blackStrength) {
        choice.evidence = NaturalEvidence::SharedTint;
        BuildTintTables(settings, floor, choice.tintStrength, &measured);
    } else if (choice.strength > 0.0) {
        // The greys that balance the channels are read again in the picture
        // as corrected, where a surface of the cast's opposite colour no
        // longer passes for grey.
        NeutralFloor reread = floor;
        MidToneGreyReader reader(blocks);
        for (std::int32_t pass = 0; pass < kNaturalGreyPasses; ++pass) {
            if (reader.Reread(measured.tables, &reread) != 0) {
                return -1;
            }
            BuildNaturalTables(settings, &reread, &measured);
        }
    }
    *result = measured;
    return 0;
}

}  // namespace mirtane
