// The tint of the most neutral surfaces of a picture in its shadows,
// mid-tones and highlights. A faded dye shifts every colour the same way,
// so even the greyest surfaces of each tone carry the fade's tint, and carry
// it alike from shadow to highlight; intended colour leaves greys somewhere,
// or tints the tones differently (a warm sky over dark, neutral ground), or
// fills the frame with a colour far more saturated than any fade makes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "analysis/NaturalConstants.h"
#include "analysis/PictureArea.h"

namespace mirtane {

// Tone bands by CIE L* of the blocks: the darkest fifth, the middle three
// fifths, the brightest fifth.
constexpr double kFloorDarkShare = 0.2;
constexpr double kFloorBrightShare = 0.8;
// Share of each band's blocks, the least saturated, that form its floor.
constexpr double kFloorNeutralShare = 0.1;
// Share of the picture's blocks below each channel's black and above its
// white level.
constexpr double kFloorLevelShare = 0.005;

struct NeutralFloor {
    // Whether the picture had blocks enough (3 x 3 at least) to judge.
    bool measured = false;
    // Per band (shadows, mid-tones, highlights): the floor's mean tint
    // (CIE a*, b*) and its mean code value per channel (R, G, B).
    double tint[3][2] = {};
    double code[3][3] = {};
    // Per channel, the code below which 0.5 % of the blocks lie (black) and
    // above which 0.5 % lie (white).
    std::int32_t black[3] = {0, 0, 0};
    std::int32_t white[3] = {255, 255, 255};
};

// Side of the square of samples averaged into one block.
constexpr std::int32_t kFloorBlockSize = 8;

// Measures the floor of the picture inside `area` of width x height samples
// (R, G, B, 8 bits, interleaved, rows rowStride bytes apart): block means,
// a 3 x 3 median over blocks (so that dust and specks do not count), CIE L*
// a* b* of every block, the bands and their floors. Returns -1 without
// working storage, else 0 (with floor->measured false when the area has
// fewer than 3 blocks either way).
[[nodiscard]] std::int32_t MeasureNeutralFloor(const std::uint8_t* pixels, std::ptrdiff_t rowStride,
                                               const PictureArea& area, NeutralFloor* floor);

// The same, taking the block means from `searched` (kept by FindPictureArea
// over the whole image) when its blocks are the area's: the area starts on a
// block boundary and its blocks lie within the searched ones, as for the
// area FindPictureArea returns. Otherwise, or with searched null, the means
// are summed from the samples. The floor is the same either way.
// With keptMedians, the blocks' 3 x 3 median colours (R, G, B per block,
// row by row) are handed over there, for a MidToneGreyReader.
[[nodiscard]] std::int32_t MeasureNeutralFloor(const std::uint8_t* pixels, std::ptrdiff_t rowStride,
                                               const PictureArea& area, const BlockMeans* searched,
                                               NeutralFloor* floor,
                                               std::vector<std::uint8_t>* keptMedians = nullptr);

// Reads the mid-tones' grey floor again in the picture as tables correct it:
// the blocks' median colours (as MeasureNeutralFloor kept them) pass through
// the tables, their bands and least saturated tenth are found in the
// corrected colours, and the mean of those blocks' colours as they are
// replaces floor->code[1]. Under a cast an object of the opposite colour can
// be the greyest surface of the faded picture; with the cast taken off, the
// true greys are. Tints, the other bands and the levels stay.
//
// One reader serves the successive readings of the same blocks: it keeps its
// working storage and each block's colour as last read, and works out L*a*b*
// again only for the blocks whose corrected colour changed.
class MidToneGreyReader {
  public:
    // `medians` must outlive the reader.
    explicit MidToneGreyReader(const std::vector<std::uint8_t>& medians);
    ~MidToneGreyReader();
    MidToneGreyReader(const MidToneGreyReader&) = delete;
    MidToneGreyReader& operator=(const MidToneGreyReader&) = delete;

    // One reading with `tables` (entry i for code i, in [0, 1]). Returns -1
    // without working storage, else 0 (floor unchanged when it was not
    // measured).
    [[nodiscard]] std::int32_t Reread(const float (&tables)[3][kNaturalTableLength],
                                      NeutralFloor* floor);

  private:
    struct Work;
    const std::vector<std::uint8_t>& medians_;
    std::unique_ptr<Work> work_;
};

// The ramps of the tint evidence. The cosine between neighbouring bands'
// tints: below 0.75 (41 degrees apart) the tones are tinted differently, a
// scene's light rather than a dye's loss; from 0.95 (18 degrees) on they
// agree. The shadows' chroma: up to 4 is grain and scanner noise, from 10 on
// a plain cast. The strongest band's chroma: from 25 on more than the fades
// of film and prints make, and from 40 on a frame-filling colour.
constexpr double kTintAlikeStart = 0.75;
constexpr double kTintAlikeFull = 0.95;
constexpr double kTintShadowStart = 4.0;
constexpr double kTintShadowFull = 10.0;
constexpr double kTintSaturatedStart = 25.0;
constexpr double kTintSaturatedFull = 40.0;

// How strongly the floor says "faded", 0 .. 1: the product of the three
// ramps above (alike, plain in the shadows, not saturated).
double TintEvidence(const NeutralFloor& floor);

}  // namespace mirtane
