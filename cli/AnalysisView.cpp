#include "cli/AnalysisView.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <vips/vips8>

#include "cli/Photo.h"

namespace mirtane::cli {
namespace {

using vips::VImage;

hostkit::Image FromVips(const VImage& image) {
    hostkit::Image copy = hostkit::MakeImage(image.width(), image.height(), image.bands());
    image.write(VImage::new_from_memory(copy.pixels.data(), copy.pixels.size(), copy.width,
                                        copy.height, copy.planes, VIPS_FORMAT_UCHAR));
    return copy;
}

VImage Upright(const hostkit::Image& image, int orientation) {
    VImage view = ToVipsImage(image).copy();
    if (orientation < 2 || orientation > 8) {
        return view;
    }
    view.set(VIPS_META_ORIENTATION, orientation);
    return view.autorot();
}

}  // namespace

int ParseAnalysisArea(const std::string& text, AnalysisArea& area, std::string& error) {
    int values[4] = {};
    const char* cursor = text.c_str();
    for (int i = 0; i < 4; ++i) {
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(cursor, &end, 10);
        const char expected = i < 3 ? ',' : '\0';
        if (end == cursor || errno != 0 || *end != expected || value < 0 || value > kMaxPhotoSide) {
            error =
                "--analyse-area wants X,Y,W,H in pixels (e.g. 60,60,1200,800), not '" + text + "'";
            return -1;
        }
        values[i] = static_cast<int>(value);
        cursor = end + 1;
    }
    if (values[2] == 0 || values[3] == 0) {
        error = "--analyse-area needs a width and a height above 0";
        return -1;
    }
    area = AnalysisArea{values[0], values[1], values[2], values[3]};
    return 0;
}

hostkit::Image UprightImage(const hostkit::Image& image, int orientation) {
    if (orientation < 2 || orientation > 8) {
        return image;
    }
    return FromVips(Upright(image, orientation));
}

int AnalysedPicture(const hostkit::Image& stored, int orientation, const AnalysisChoice& choice,
                    hostkit::Image& picture, std::string& error) {
    VImage view = Upright(stored, orientation);
    if (choice.border == BorderTrim::Remove) {
        int top = 0;
        int width = 0;
        int height = 0;
        const int left = view.find_trim(&top, &width, &height,
                                        VImage::option()->set("background", view.getpoint(0, 0)));
        if (width > 0 && height > 0) {
            view = view.extract_area(left, top, width, height);
        }
    }
    const AnalysisArea& area = choice.area;
    if (area.width > 0) {
        if (area.left + area.width > view.width() || area.top + area.height > view.height()) {
            error = "--analyse-area " + std::to_string(area.left) + "," + std::to_string(area.top) +
                    "," + std::to_string(area.width) + "," + std::to_string(area.height) +
                    " reaches outside the " + std::to_string(view.width()) + " x " +
                    std::to_string(view.height()) + " picture";
            return -1;
        }
        view = view.extract_area(area.left, area.top, area.width, area.height);
    }
    const bool narrowed = static_cast<std::int64_t>(view.width()) * view.height() <
                          static_cast<std::int64_t>(stored.width) * stored.height;
    if (narrowed && (view.width() < choice.minimumSide || view.height() < choice.minimumSide)) {
        const std::string size =
            std::to_string(view.width()) + " x " + std::to_string(view.height()) + " pixels";
        const std::string least = "the analysis needs at least " +
                                  std::to_string(choice.minimumSide) + " x " +
                                  std::to_string(choice.minimumSide);
        error = area.width > 0 ? "the analysed area is " + size + ", too small: " + least +
                                     "; give --analyse-area a larger rectangle"
                               : "the picture inside the border --trim found is " + size +
                                     ", too small: " + least +
                                     "; leave out --trim or name the picture with --analyse-area";
        return -1;
    }
    picture = FromVips(view);
    return 0;
}

}  // namespace mirtane::cli
