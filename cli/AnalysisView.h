// The picture the analysis sees: the stored pixels turned upright by their
// EXIF orientation (as a photo editor shows them to the plug-in), and
// optionally only the part of it inside a scanner's border or a rectangle the
// user names. The correction worked out there is then applied to the whole
// stored image.
#pragma once

#include <string>

#include "hosts/kit/Image.h"

namespace mirtane::cli {

// A rectangle of the upright picture, in pixels.
struct AnalysisArea {
    int left = 0;
    int top = 0;
    int width = 0;  // 0: the whole picture
    int height = 0;
};

enum class BorderTrim { Keep, Remove };

struct AnalysisChoice {
    BorderTrim border = BorderTrim::Keep;  // Remove: analyse inside a uniform border
    AnalysisArea area;                     // applied after the border is removed
    // Smallest side the analysis takes (the plug-in's: 480); a border or an
    // area that leaves less is refused as too small, not the image.
    int minimumSide = 0;
};

// Reads "X,Y,W,H" (decimal, W and H positive). Returns 0, or -1 with `error`.
[[nodiscard]] int ParseAnalysisArea(const std::string& text, AnalysisArea& area,
                                    std::string& error);

// `image` (8-bit, any plane count) turned upright from EXIF orientation
// 1 ... 8; a copy of it for 1 or any other value.
hostkit::Image UprightImage(const hostkit::Image& image, int orientation);

// The analysed picture of `stored` (8-bit RGB as stored, with `orientation`).
// A uniform border is the run of pixels within libvips find_trim's default
// threshold of the top-left pixel's colour; when there is none the whole
// picture is used. Returns 0, or -1 with `error` when the area lies outside
// the picture, or when the border or the area leaves less than
// choice.minimumSide pixels a side.
[[nodiscard]] int AnalysedPicture(const hostkit::Image& stored, int orientation,
                                  const AnalysisChoice& choice, hostkit::Image& picture,
                                  std::string& error);

}  // namespace mirtane::cli
