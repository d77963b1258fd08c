#include "analysis/NaturalMethod.h"

#include <cmath>
#include <limits>
#include <memory>
#include <new>

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
// Rows of cell means the median of one row needs, and rows of medians the
// local range of one row needs.
constexpr std::int32_t kReducedWindow = kNaturalMedianSize;
constexpr std::int32_t kMedianWindow = kNaturalRangeSize;
constexpr std::int32_t kMedianRadius = kNaturalMedianSize / 2;
constexpr std::int32_t kRangeRadius = kNaturalRangeSize / 2;
// The median of cell row i can be formed once row i + 2 is reduced, the
// levels of cell row i once median row i + 1 exists.
constexpr std::int32_t kMedianLag = kMedianRadius;
constexpr std::int32_t kLevelsLag = kMedianRadius + kRangeRadius;

bool SettingsValid(const NaturalSettings& settings) {
    return std::isfinite(settings.dmax) && settings.dmax > 0.0 && settings.flare >= 0.0 &&
           settings.flare < 1.0;
}

// Rolling rows of the reduced and median planes of the three channels, in
// one block; row k of a plane lives in slot k modulo the window.
class CellWindows {
  public:
    explicit CellWindows(std::int32_t cellColumns) : columns(cellColumns) {
        const std::size_t rowsPerChannel = kReducedWindow + kMedianWindow;
        const std::size_t limit =
            std::numeric_limits<std::size_t>::max() / (kChannels * rowsPerChannel);
        if (static_cast<std::size_t>(cellColumns) > limit) {
            return;
        }
        storage.reset(
            new (std::nothrow)
                std::uint8_t[kChannels * rowsPerChannel * static_cast<std::size_t>(cellColumns)]);
    }
    bool Available() const { return storage != nullptr; }
    std::uint8_t* ReducedRow(std::int32_t channel, std::int32_t row) {
        return Slot(channel, row % kReducedWindow);
    }
    std::uint8_t* MedianRow(std::int32_t channel, std::int32_t row) {
        return Slot(channel, kReducedWindow + row % kMedianWindow);
    }

  private:
    std::uint8_t* Slot(std::int32_t channel, std::int32_t slot) {
        const std::size_t index =
            static_cast<std::size_t>(channel) * (kReducedWindow + kMedianWindow) +
            static_cast<std::size_t>(slot);
        return storage.get() + index * static_cast<std::size_t>(columns);
    }

    std::unique_ptr<std::uint8_t[]> storage;
    std::int32_t columns;
};

// Reduces the image, filters the cells and gathers the consistent levels in
// one sweep down the image; each stage trails the one before it by the rows
// its window needs. -1 without working storage.
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
        const std::int32_t medianRow = i - kMedianLag;
        if (medianRow >= 0 && medianRow < cellRows) {
            for (std::int32_t c = 0; c < kChannels; ++c) {
                const std::uint8_t* rows[kNaturalMedianSize];
                for (std::int32_t d = 0; d < kNaturalMedianSize; ++d) {
                    rows[d] =
                        windows.ReducedRow(c, Clamp(medianRow + d - kMedianRadius, 0, lastCellRow));
                }
                MedianCellRow(rows, cellColumns, windows.MedianRow(c, medianRow));
            }
        }
        const std::int32_t levelsRow = i - kLevelsLag;
        if (levelsRow < 0 || levelsRow >= cellRows) {
            continue;
        }
        const std::int32_t firstRow = levelsRow * kNaturalCellSize;
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
    const PictureArea area = FindPictureArea(pixels, width, height, rowStride, &searched);
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
    if (MeasureNeutralFloor(pixels, rowStride, area, &floor) != 0) {
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
    }
    *result = measured;
    return 0;
}

}  // namespace mirtane
