// The tuned constants of the natural restoration method. They were fitted on
// half of a set of faded photographs and checked on the other half, which
// scored the same; change one only with a new measurement behind it.
#pragma once

#include <cstdint>

namespace mirtane {

// Entries of each channel table: one per 8-bit code value.
constexpr std::int32_t kNaturalTableLength = 256;
// Side of the square of full-resolution samples averaged into one cell.
constexpr std::int32_t kNaturalCellSize = 4;
// Side of the median window over cells: it removes features of up to about
// three cells (dust, specks, thin scratches) and keeps larger ones.
constexpr std::int32_t kNaturalMedianSize = 5;
// Side of the window over median cells that forms a cell's local range, so a
// sample on the edge of a real extreme still finds that extreme's level.
constexpr std::int32_t kNaturalRangeSize = 3;
// Code values a full-resolution sample may lie outside its local range and
// still count: real texture finer than a cell reaches a little beyond the
// median's range (TAU).
constexpr std::int32_t kNaturalRangeMargin = 16;
// Largest 8-bit code value, the white a channel is given when no sample of
// it is consistent.
constexpr std::int32_t kNaturalMaxCode = 255;
// Fraction of the lowest channel's black, in linear light, taken as scanner
// or camera flare (ALPHA); an expert setting.
constexpr double kNaturalDefaultFlare = 0.45;
// Density of the neutral black the darkest part of the picture is taken to
// have had (DMAX): about 2.1 for a print, 3.0 for a slide.
constexpr double kNaturalPrintDmax = 2.1;
constexpr double kNaturalSlideDmax = 3.0;
// Share of the gap to the brightest channel's white that each channel's white
// moves up by (WBETA): a dimmer white is partly a faded one, partly a tint.
constexpr double kNaturalWhiteShrink = 0.2;
// The strength ramp on the lowest black level, in code values (S0, S1): a
// picture whose darkest channel reaches S0 shows no raised black and is left
// alone; from S1 on the correction applies in full.
constexpr std::int32_t kNaturalStrengthStart = 8;
constexpr std::int32_t kNaturalStrengthFull = 24;
// The largest density gain any channel is given: beyond it, grain and
// compression noise in the shadows are stretched into blotches.
constexpr double kNaturalGainLimit = 2.5;
// The deepest black density a channel is credited with; a black at or below
// the flare reads as this density.
constexpr double kNaturalDeepestDensity = 4.0;
// The smallest flare-free grey a channel's mid-tone floor is read as,
// relative to its white (a density of 4).
constexpr double kNaturalFloorRatio = 1e-4;
// Times the mid-tones' greys are read again in the picture as corrected by
// the last pass's tables (a correction for a raised black): by the third the
// choice of greys has settled.
constexpr std::int32_t kNaturalGreyPasses = 3;
// A channel whose black and white lie closer than this in linear light has
// no range to correct and keeps the identity.
constexpr double kNaturalMinimumRange = 1e-4;

}  // namespace mirtane
