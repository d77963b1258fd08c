#include "analysis/SampleGrid.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "analysis/Rounding.h"

namespace mirtane {

SampleGrid::SampleGrid(std::int32_t columns, std::int32_t rows) {
    if (columns <= 0 || rows <= 0) {
        return;
    }
    const std::size_t cellCount =
        static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
    cells.reset(new (std::nothrow) float[cellCount]());
    if (cells == nullptr) {
        return;
    }
    this->rows = rows;
    this->columns = columns;
    static_cast<void>(Reset());  // cannot fail: the storage exists
}

SampleGrid::~SampleGrid() = default;

std::int32_t SampleGrid::Reset() {
    if (cells == nullptr) {
        return -1;
    }
    std::fill(cells.get(), cells.get() + static_cast<std::size_t>(rows) * columns, 0.0f);
    minColumn = columns - 1;
    maxColumn = 0;
    minRow = rows - 1;
    maxRow = 0;
    peak = 0.0f;
    return 0;
}

std::int32_t SampleGrid::AddAt(float value, std::int32_t column, std::int32_t row) {
    if (!Inside(column, row)) {
        return -1;
    }
    float& cell = Cell(column, row);
    cell += value;
    Touch(column, row, cell);
    return 0;
}

std::int32_t SampleGrid::AddAtNormalised(float value, float x, float y) {
    std::int32_t column = 0;
    std::int32_t row = 0;
    if (!NormalisedCell(x, y, column, row)) {
        return -1;
    }
    return AddAt(value, column, row);
}

std::int32_t SampleGrid::SetAt(float value, std::int32_t column, std::int32_t row) {
    if (!Inside(column, row)) {
        return -1;
    }
    Cell(column, row) = value;
    Touch(column, row, value);
    return 0;
}

std::int32_t SampleGrid::SetAtNormalised(float value, float x, float y) {
    std::int32_t column = 0;
    std::int32_t row = 0;
    if (!NormalisedCell(x, y, column, row)) {
        return -1;
    }
    return SetAt(value, column, row);
}

float SampleGrid::GetAt(std::int32_t column, std::int32_t row) const {
    if (!Inside(column, row)) {
        return 0.0f;
    }
    return Cell(column, row);
}

float SampleGrid::GetAtNormalised(float x, float y) const {
    std::int32_t column = 0;
    std::int32_t row = 0;
    if (!NormalisedCell(x, y, column, row)) {
        return 0.0f;
    }
    return GetAt(column, row);
}

std::string SampleGrid::DumpPath(const char* folder, const char* name) const {
    if (folder == nullptr || name == nullptr) {
        return std::string();
    }
    std::string path(folder);
    if (!path.empty() && path.back() != '/' && path.back() != '\\') {
        path += '/';
    }
    path += name;
    path += '_' + std::to_string(columns) + 'x' + std::to_string(rows) + ".raw";
    return path;
}

std::int32_t SampleGrid::DumpRaw(const char* folder, const char* name) {
    if (cells == nullptr || folder == nullptr || name == nullptr) {
        return 0;
    }
    std::vector<unsigned char> line;
    std::string path;
    try {
        line.resize(static_cast<std::size_t>(columns));
        path = DumpPath(folder, name);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    const float scale = peak > 0.0f ? 255.0f / peak : 0.0f;
    std::int32_t written = 0;
    for (std::int32_t row = rows - 1; row >= 0; --row) {
        for (std::int32_t column = 0; column < columns; ++column) {
            // Limited before the conversion so that no value can overflow it.
            const float v = GetAt(column, row) * scale + 0.5f;
            line[static_cast<std::size_t>(column)] =
                static_cast<unsigned char>(!(v > 0.0f) ? 0 : (v >= 255.0f ? 255 : FloorToInt(v)));
        }
        written += static_cast<std::int32_t>(std::fwrite(line.data(), 1, line.size(), file));
    }
    std::fclose(file);
    return written;
}

}  // namespace mirtane
