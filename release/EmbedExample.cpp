// Puts a before/after pair of pictures into the help page, embedded as data
// addresses so that the page stays one self-contained file:
//
//   embed-example BEFORE AFTER PAGE [WIDTH]
//
// Both pictures must have the same size. Each is scaled to WIDTH pixels across
// (default 360, half the width of the page's text column on a typical screen,
// so the two sit side by side), saved as JPEG and written between the markers
// "<!-- example:begin -->" and "<!-- example:end -->" of PAGE, replacing what
// was there. PAGE is replaced whole only after the new text is complete.
// Exit status: 0 done, 1 failure (message on standard error), 2 usage.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <vips/vips8>

namespace {

using vips::VImage;

constexpr int kDefaultWidth = 360;
constexpr int kJpegQuality = 85;
const std::string kBeginMarker = "<!-- example:begin -->";
const std::string kEndMarker = "<!-- example:end -->";

std::string Base64(const unsigned char* data, std::size_t size) {
    static const char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((size + 2) / 3 * 4);
    for (std::size_t i = 0; i < size; i += 3) {
        const unsigned chunk = (static_cast<unsigned>(data[i]) << 16) |
                               (i + 1 < size ? static_cast<unsigned>(data[i + 1]) << 8 : 0u) |
                               (i + 2 < size ? static_cast<unsigned>(data[i + 2]) : 0u);
        out += alphabet[(chunk >> 18) & 63];
        out += alphabet[(chunk >> 12) & 63];
        out += i + 1 < size ? alphabet[(chunk >> 6) & 63] : '=';
        out += i + 2 < size ? alphabet[chunk & 63] : '=';
    }
    return out;
}

// The picture as 8-bit sRGB without alpha, scaled to the given width.
VImage Prepare(const VImage& picture, int width) {
    VImage image = picture.colourspace(VIPS_INTERPRETATION_sRGB);
    if (image.bands() > 3) {
        image = image.extract_band(0, VImage::option()->set("n", 3));
    }
    image = image.resize(static_cast<double>(width) / image.width());
    return image.cast(VIPS_FORMAT_UCHAR);
}

std::string JpegDataAddress(const VImage& image) {
    void* buffer = nullptr;
    std::size_t size = 0;
    image.write_to_buffer(".jpg", &buffer, &size,
                          VImage::option()->set("Q", kJpegQuality)->set("strip", true));
    std::string address =
        "data:image/jpeg;base64," + Base64(static_cast<const unsigned char*>(buffer), size);
    g_free(buffer);
    return address;
}

std::string Figure(const VImage& image, const std::string& alt, const std::string& caption) {
    std::ostringstream html;
    html << "<figure><img class=\"example-picture\" src=\"" << JpegDataAddress(image)
         << "\" width=\"" << image.width() << "\" height=\"" << image.height() << "\" alt=\"" << alt
         << "\">\n"
         << "<figcaption class=\"caption\">" << caption << "</figcaption></figure>\n";
    return html.str();
}

bool ReadText(const std::string& path, std::string& out) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    std::ostringstream content;
    content << file.rdbuf();
    out = content.str();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr, "usage: embed-example BEFORE AFTER PAGE [WIDTH]\n");
        return 2;
    }
    const std::string pagePath = argv[3];
    const int width = argc == 5 ? std::atoi(argv[4]) : kDefaultWidth;
    if (width < 16 || width > 2000) {
        std::fprintf(stderr, "embed-example: WIDTH must lie in 16 ... 2000\n");
        return 2;
    }
    if (VIPS_INIT(argv[0]) != 0) {
        std::fprintf(stderr, "embed-example: cannot start libvips\n");
        return 1;
    }
    std::string page;
    if (!ReadText(pagePath, page)) {
        std::fprintf(stderr, "embed-example: cannot read %s\n", pagePath.c_str());
        return 1;
    }
    const std::size_t begin = page.find(kBeginMarker);
    const std::size_t end = page.find(kEndMarker);
    if (begin == std::string::npos || end == std::string::npos || end < begin) {
        std::fprintf(stderr, "embed-example: %s lacks the example markers\n", pagePath.c_str());
        return 1;
    }
    try {
        const VImage before =
            VImage::new_from_file(argv[1], VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
        const VImage after =
            VImage::new_from_file(argv[2], VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
        if (before.width() != after.width() || before.height() != after.height()) {
            std::fprintf(stderr, "embed-example: the pictures differ in size (%dx%d and %dx%d)\n",
                         before.width(), before.height(), after.width(), after.height());
            return 1;
        }
        const VImage small = Prepare(before, width);
        const VImage smallAfter = Prepare(after, width);
        std::ostringstream block;
        block << kBeginMarker << "\n"
              << "<p>The bundled sample photograph, a print faded the way colour prints fade with "
                 "age, before and "
                 "after MIRTANE with all three trims at 0: nothing was set by hand.</p>\n"
              << "<div class=\"example\">\n"
              << Figure(small, "Before: the faded sample photograph", "Before")
              << Figure(smallAfter, "After: the sample photograph restored by MIRTANE", "After")
              << "</div>\n";
        const std::string updated = page.substr(0, begin) + block.str() + page.substr(end);
        const std::string temporary = pagePath + ".new";
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out << updated;
            if (!out.flush()) {
                std::fprintf(stderr, "embed-example: cannot write %s\n", temporary.c_str());
                return 1;
            }
        }
        if (std::rename(temporary.c_str(), pagePath.c_str()) != 0) {
            std::fprintf(stderr, "embed-example: cannot replace %s\n", pagePath.c_str());
            return 1;
        }
    } catch (const vips::VError& error) {
        std::fprintf(stderr, "embed-example: %s\n", error.what());
        return 1;
    }
    vips_shutdown();
    return 0;
}
