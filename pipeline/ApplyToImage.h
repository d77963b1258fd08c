// Writes the corrected image back to the host tile by tile.
#pragma once

namespace mirtane {

// Side of the square tiles in which the filter rectangle is written.
constexpr int kOutputTileSize = 175;

// Walks the filter rectangle of the record in gHost in tiles of at most
// 175 x 175 pixels, row by row and left to right within a row. For each tile
// the host delivers the current pixels of the three colour planes interleaved
// in outData; ApplyCurvesToPixels corrects them in place; progress is reported
// as (tile number, tile count) and then the abort test is asked. A host error
// from advanceState stops at once with its code in the result slot (that tile
// untouched); a cancel stops after the tile with -128. The rectangles of the
// last request are left for the continue selector to empty. An empty filter
// rectangle makes no request and reports no progress.
void ApplyToImage();

}  // namespace mirtane
