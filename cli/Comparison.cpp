#include "cli/Comparison.h"

#include <algorithm>

#include "cli/PhotoFormats.h"
#include "cli/PhotoWriting.h"

namespace mirtane::cli {
namespace {

using vips::VImage;

constexpr int kCaptionHeight = 40;
constexpr int kGap = 12;
constexpr double kBackground = 40.0;  // dark grey around the panels
constexpr const char* kCaptionFont = "sans bold 16";

// A caption bar `width` wide: light text on the background grey.
VImage Caption(const std::string& text, int width) {
    VImage mask = VImage::text(text.c_str(), VImage::option()->set("font", kCaptionFont));
    // The text mask is 0 ... 255 coverage; blend from background to near white.
    VImage label = mask.linear({(235.0 - kBackground) / 255.0}, {kBackground});
    const int left = std::max(0, (width - label.width()) / 2);
    const int top = std::max(0, (kCaptionHeight - label.height()) / 2);
    label = label.embed(left, top, width, kCaptionHeight,
                        VImage::option()
                            ->set("extend", VIPS_EXTEND_BACKGROUND)
                            ->set("background", std::vector<double>{kBackground}));
    return VImage::bandjoin({label, label, label}).cast(VIPS_FORMAT_UCHAR);
}

VImage Panel(const hostkit::Image& image, double scale, const std::string& caption,
             const std::string& profile) {
    VImage picture = ToVipsImage(image);
    if (!profile.empty()) {
        picture = picture.copy();  // its own header, to hold the profile
        vips_image_set_blob_copy(picture.get_image(), VIPS_META_ICC_NAME, profile.data(),
                                 profile.size());
        picture = picture.icc_transform("srgb", VImage::option()->set("embedded", true));
    }
    if (scale < 1.0) {
        picture = picture.resize(scale);
    }
    return Caption(caption, picture.width())
        .join(
            picture, VIPS_DIRECTION_VERTICAL,
            VImage::option()->set("shim", 0)->set("background", std::vector<double>{kBackground}));
}

}  // namespace

VImage ComparisonImage(const hostkit::Image& before, const hostkit::Image& after,
                       const Trims& trims, const std::string& profile) {
    const int longer = std::max(before.width, before.height);
    const double scale = longer > kMaxPanelSide ? static_cast<double>(kMaxPanelSide) / longer : 1.0;
    const std::string afterCaption =
        trims.Neutral() ? std::string("After") : "After (" + DescribeTrims(trims) + ")";
    const VImage left = Panel(before, scale, "Before", profile);
    const VImage right = Panel(after, scale, afterCaption, profile);
    const std::vector<double> background{kBackground, kBackground, kBackground};
    VImage pair = left.join(right, VIPS_DIRECTION_HORIZONTAL,
                            VImage::option()->set("shim", kGap)->set("background", background));
    return pair
        .embed(
            kGap, 0, pair.width() + 2 * kGap, pair.height() + kGap,
            VImage::option()->set("extend", VIPS_EXTEND_BACKGROUND)->set("background", background))
        .cast(VIPS_FORMAT_UCHAR)
        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

int SaveComparison(const hostkit::Image& before, const hostkit::Image& after, const Trims& trims,
                   const std::string& profile, const std::string& path, int quality,
                   std::string& error) {
    try {
        return SaveImage(path, ComparisonImage(before, after, trims, profile),
                         SaveSettings{quality, {}, SidePictureFormat(path), false}, {}, error);
    } catch (const vips::VError& failure) {
        vips_error_clear();
        error = std::string("cannot draw the comparison: ") + failure.what();
        return -1;
    }
}

}  // namespace mirtane::cli
