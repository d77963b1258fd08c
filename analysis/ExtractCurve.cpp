// SlopeHistogram::ExtractCurve: the balanced-window centroid of each column.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "analysis/Rounding.h"
#include "analysis/SlopeHistogram.h"

namespace mirtane {

std::int32_t SlopeHistogram::ExtractCurve(ToneCurve& curve, float fraction) const {
    if (!HasStorage()) {
        return 0;
    }
    const auto at = [](std::vector<float>& list, std::int32_t index) -> float& {
        return list[static_cast<std::size_t>(index)];
    };
    std::vector<float> colMass(static_cast<std::size_t>(columns), 0.0f);
    std::vector<float> run(static_cast<std::size_t>(columns), 0.0f);

    float total = 0.0f;
    for (std::int32_t c = minColumn; c <= maxColumn; ++c) {
        for (std::int32_t r = minRow; r <= maxRow; ++r) {
            const float value = GetAt(c, r);
            if (value > 0.0f) {
                at(colMass, c) += value;
                total += value;
            }
        }
    }
    // The three thresholds are each one expression rounded to float once; the
    // upper bound is 1.2 times the half share before that rounding.
    const double halfShare = static_cast<double>(total) * fraction * 0.5;
    const float half = static_cast<float>(halfShare);
    const float upper = static_cast<float>(halfShare * 1.2);
    const float minMass = static_cast<float>(static_cast<double>(total) * 0.02);

    // The stop flags persist across columns: once an edge was pinned for one
    // column it stays pinned for every later one.
    bool stopLeft = false;
    bool stopRight = false;
    std::int32_t lowestSet = maxColumn;
    std::int32_t highestSet = 0;

    for (std::int32_t j = minColumn; j <= maxColumn; ++j) {
        at(run, j) = at(colMass, j);
        std::int32_t right = maxColumn;
        bool found = false;
        for (std::int32_t c = j + 1; c <= maxColumn; ++c) {
            at(run, c) = at(run, c - 1) + at(colMass, c);
            if (!found && at(run, c) >= half) {
                found = true;
                if (at(run, c) < upper) {
                    right = c;
                } else {
                    right = c - 1;
                    stopRight = true;
                }
            }
        }
        std::int32_t left = minColumn;
        found = false;
        for (std::int32_t c = j - 1; c >= minColumn; --c) {
            at(run, c) = at(run, c + 1) + at(colMass, c);
            if (!found && at(run, c) >= half) {
                found = true;
                if (at(run, c) < upper) {
                    left = c;
                } else {
                    left = c + 1;
                    stopLeft = true;
                }
            }
        }

        float difference = at(run, right) - at(run, left);
        const float tolerance = 0.1f * (at(run, right) + at(run, left));
        while (std::fabs(difference) > tolerance) {
            if (stopLeft && stopRight) {
                break;
            }
            if (difference < 0.0f) {
                // Left side heavier: widen right over empty columns, else
                // narrow left over empty columns. The difference is not
                // recomputed, so this phase only ends by a stop.
                if (!stopRight && right < maxColumn && at(colMass, right + 1) == 0.0f) {
                    ++right;
                    if (right == maxColumn) {
                        stopRight = true;
                    }
                    continue;
                }
                if (stopLeft) {
                    break;
                }
                if (at(colMass, left + 1) == 0.0f) {
                    ++left;
                    if (left == j) {
                        stopLeft = true;
                    }
                    continue;
                }
                break;
            }
            if (!stopLeft && left > minColumn &&
                std::fabs(difference - at(colMass, left - 1)) <= difference) {
                if (at(run, left - 1) > upper) {
                    stopLeft = true;
                } else {
                    --left;
                    if (left == minColumn) {
                        stopLeft = true;
                    }
                }
                difference = at(run, right) - at(run, left);
                continue;
            }
            if (right == j) {
                break;
            }
            if (std::fabs(difference - at(colMass, right - 1)) <= difference) {
                --right;
                if (right == j) {
                    stopRight = true;
                }
                difference = at(run, right) - at(run, left);
                continue;
            }
            break;
        }

        const float mass = at(run, left) + at(run, right) - at(run, j);
        const bool atRangeEnd = right == maxColumn || left == minColumn;
        // A window without mass has no mean row: like a column without
        // support, it gets no code.
        if ((atRangeEnd && mass < minMass) || !(mass > 0.0f)) {
            continue;
        }
        float moment = 0.0f;
        for (std::int32_t c = left; c <= right; ++c) {
            if (c == 0) {
                continue;
            }
            for (std::int32_t r = minRow; r <= maxRow; ++r) {
                moment += GetAt(c, r) * static_cast<float>(r);
            }
        }
        const float meanRow = moment / mass + 0.5f;
        if (std::isnan(meanRow)) {
            continue;
        }
        // Codes live in 1 .. rows - 1; limiting in float keeps the conversion
        // defined for any mean, and a mean below 1 (possible only when cells
        // hold negative samples) maps to 1 like a mean of 0.
        const float highestCode = static_cast<float>(rows - 1);
        const std::int32_t code =
            meanRow < 1.0f ? 1 : (meanRow >= highestCode ? rows - 1 : FloorToInt(meanRow));
        curve.At(j) = static_cast<float>(code);
        lowestSet = std::min(lowestSet, j);
        highestSet = std::max(highestSet, j);
    }

    if (highestSet < columns - 1) {
        const float last = curve.At(highestSet);
        for (std::int32_t c = highestSet + 1; c < columns; ++c) {
            curve.At(c) = last;
        }
    }
    if (lowestSet > 0) {
        const float first = curve.At(lowestSet);
        for (std::int32_t c = 0; c < lowestSet; ++c) {
            curve.At(c) = first;
        }
    }
    return 0;
}

}  // namespace mirtane
