// The picture inside a scan's borders: black letterboxes and scanner
// surrounds, white print margins. Such bands are flat, extreme and touch the
// edge of the scan; they are not part of the photograph, so the levels of a
// restoration must not be read from them (a scanner's black surround would
// otherwise pass for the picture's black, a margin for its white).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace mirtane {

// A rectangle of samples.
struct PictureArea {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Side of the square of samples averaged into one block for the search.
constexpr std::int32_t kBorderBlockSize = 8;
// A block is dark when every channel's mean is at most this code, bright
// when every channel's mean is at least kBorderBrightCode.
constexpr std::int32_t kBorderDarkCode = 40;
constexpr std::int32_t kBorderBrightCode = 215;
// A row or column of blocks belongs to a border when at least this share of
// its blocks is dark, or this share is bright; rows between such rows need
// only half (a caption burnt into a letterbox takes the rest).
constexpr double kBorderShare = 0.85;
constexpr double kBorderCaptionShare = 0.5;
// No border takes more than this share of the scan's height or width from
// one side, so a dark or bright photograph keeps at least half of itself.
constexpr double kBorderLimit = 0.25;

// Finds the picture in width x height samples (R, G, B, 8 bits, interleaved,
// rows rowStride bytes apart, rowStride >= 3 width): from each side, the
// whole rows (or columns) of blocks that are border are taken off, with the
// block row where border meets picture, up to the limit. Returns the whole image when it has fewer
// than 3 blocks in either direction, or when working storage is not available (*found false then).
PictureArea FindPictureArea(const std::uint8_t* pixels, std::int32_t width, std::int32_t height,
                            std::ptrdiff_t rowStride, bool* found);

// The rounded means of every whole block of the image, (sum + 32) / 64 for
// R, G, B, block after block along each row of blocks, rows of blocks one
// after another: what the search reads, kept so that a later reading of the
// same blocks (the neutral floor) need not sum the samples again.
struct BlockMeans {
    std::unique_ptr<std::uint8_t[]> rgb;
    std::int32_t columns = 0;
    std::int32_t rows = 0;
};

// FindPictureArea that also keeps the means of the blocks it read in *means
// when *found comes back true (means->rgb is left empty otherwise).
PictureArea FindPictureArea(const std::uint8_t* pixels, std::int32_t width, std::int32_t height,
                            std::ptrdiff_t rowStride, bool* found, BlockMeans* means);

}  // namespace mirtane
