// A two-dimensional grid of floats that remembers the bounding box of the
// cells touched since the last reset and the largest value written. Cell
// (column c, row r) is element r * columns + c.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "analysis/Rounding.h"

namespace mirtane {

class SampleGrid {
  public:
    // With a non-positive dimension (or failed allocation) the grid has no
    // storage: writers report -1 and readers see 0.
    SampleGrid(std::int32_t columns, std::int32_t rows);
    virtual ~SampleGrid();

    SampleGrid(const SampleGrid&) = delete;
    SampleGrid& operator=(const SampleGrid&) = delete;

    // The writers return -1 without storage or for a cell outside the grid;
    // otherwise they widen the touched bounds to the cell, raise peak to the
    // value compared below, and return 0.
    // Cell += value; peak compared with the new cell value.
    [[nodiscard]] virtual std::int32_t AddAt(float value, std::int32_t column, std::int32_t row);
    // As AddAt at column floor(x * (columns - 1) + 0.5), row floor(y * (rows -
    // 1) + 0.5); -1 also when x or y is NaN or outside [0, 1].
    [[nodiscard]] virtual std::int32_t AddAtNormalised(float value, float x, float y);
    // Writes the grid as a headerless 8-bit greyscale image, last row first,
    // scaled so that peak maps to 255, into DumpPath(folder, name). The caller
    // names the folder (a debugging aid: the analysis itself knows no file
    // system). Returns the number of bytes written, or 0 when the file or the
    // line buffer is not available.
    virtual std::int32_t DumpRaw(const char* folder, const char* name);
    // "<folder>/<name>_<columns>x<rows>.raw", with one separator between
    // folder and file whether or not the folder ends in '/' or '\\'; empty
    // when folder or name is missing.
    std::string DumpPath(const char* folder, const char* name) const;
    // Cell = value; peak compared with value.
    [[nodiscard]] virtual std::int32_t SetAt(float value, std::int32_t column, std::int32_t row);
    [[nodiscard]] virtual std::int32_t SetAtNormalised(float value, float x, float y);
    // The cell, or 0 without storage or outside the grid.
    virtual float GetAt(std::int32_t column, std::int32_t row) const;
    // The cell SetAtNormalised(x, y) would write, or 0.
    virtual float GetAtNormalised(float x, float y) const;

    // Every cell 0, bounds inverted (minimum at the far end, maximum at 0),
    // peak 0. -1 without storage.
    [[nodiscard]] std::int32_t Reset();

    bool HasStorage() const { return cells != nullptr; }
    std::int32_t Rows() const { return rows; }
    std::int32_t Columns() const { return columns; }
    std::int32_t MinColumn() const { return minColumn; }
    std::int32_t MaxColumn() const { return maxColumn; }
    std::int32_t MinRow() const { return minRow; }
    std::int32_t MaxRow() const { return maxRow; }
    float Peak() const { return peak; }

  protected:
    bool Inside(std::int32_t column, std::int32_t row) const {
        return cells != nullptr && column >= 0 && column < columns && row >= 0 && row < rows;
    }
    // Nearest cell of normalised coordinates; false for NaN or outside [0, 1].
    bool NormalisedCell(float x, float y, std::int32_t& column, std::int32_t& row) const {
        if (cells == nullptr || !(x >= 0.0f && x <= 1.0f) || !(y >= 0.0f && y <= 1.0f)) {
            return false;
        }
        column = RoundHalfUp(x * static_cast<float>(columns - 1));
        row = RoundHalfUp(y * static_cast<float>(rows - 1));
        return true;
    }
    float& Cell(std::int32_t column, std::int32_t row) {
        return cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                     static_cast<std::size_t>(column)];
    }
    float Cell(std::int32_t column, std::int32_t row) const {
        return cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                     static_cast<std::size_t>(column)];
    }
    void Touch(std::int32_t column, std::int32_t row, float peakCandidate) {
        minColumn = column < minColumn ? column : minColumn;
        maxColumn = column > maxColumn ? column : maxColumn;
        minRow = row < minRow ? row : minRow;
        maxRow = row > maxRow ? row : maxRow;
        peak = peakCandidate > peak ? peakCandidate : peak;
    }

    std::int32_t rows = 0;
    std::int32_t columns = 0;
    std::int32_t maxColumn = 0;
    std::int32_t minColumn = 0;
    std::int32_t maxRow = 0;
    std::int32_t minRow = 0;
    float peak = 0.0f;
    std::unique_ptr<float[]> cells;
};

}  // namespace mirtane
