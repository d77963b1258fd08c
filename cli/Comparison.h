// The side-by-side picture of a restore: the input on the left and the
// result on the right, each under a caption.
#pragma once

#include <string>

#include <vips/vips8>

#include "cli/Trims.h"
#include "hosts/kit/Image.h"

namespace mirtane::cli {

// Each panel is shrunk so that its longer side is at most this many pixels:
// the picture is for looking at, the restored file holds the full image.
constexpr int kMaxPanelSide = 1024;

// The comparison of `before` and `after` (same size, 8-bit RGB) as an image
// in sRGB. `profile` is the ICC profile of their colour space (empty: they
// are sRGB already): both panels are converted from it, so that a picture
// in a wide-gamut space (a scan in Adobe RGB or ProPhoto) looks on any
// screen as it does in a colour-managed editor, and the comparison carries
// the sRGB profile.
vips::VImage ComparisonImage(const hostkit::Image& before, const hostkit::Image& after,
                             const Trims& trims, const std::string& profile = {});

// Writes ComparisonImage to `path` as SaveImage does. Returns 0, or -1 with
// `error` set.
[[nodiscard]] int SaveComparison(const hostkit::Image& before, const hostkit::Image& after,
                                 const Trims& trims, const std::string& profile,
                                 const std::string& path, int quality, std::string& error);

}  // namespace mirtane::cli
