// A file declaring more pixels than the budget is refused from its header,
// before any pixel is allocated: the refusal costs what a small image costs,
// in the command and in every worker (the peak resident set of the whole
// process tree is read from the child's rusage).
#include <sys/stat.h>
#include <zlib.h>

#include <cstdio>

#include <gtest/gtest.h>

#include "CliTestSupport.h"

namespace clitest {
namespace {

// A refused header must cost no more than this. A whole 600 x 500 restore
// under AddressSanitizer peaks near 61 MB (measured: see SmallImageForScale);
// decoding 32000 x 32000 would take over 3 GB.
constexpr long kSmallPeakKilobytes = 250 * 1024;

// An 83 KB-class JPEG whose frame header declares `width` x `height`.
std::string JpegDeclaring(int width, int height) {
    void* buffer = nullptr;
    std::size_t size = 0;
    ToVips(MakeFadedScene(600, 500)).write_to_buffer(".jpg", &buffer, &size);
    std::string jpeg(static_cast<const char*>(buffer), size);
    g_free(buffer);
    const std::size_t frame =
        jpeg.find("\xFF\xC0") + 2;  // length(2) precision(1) height(2) width(2)
    jpeg[frame + 3] = static_cast<char>(height >> 8);
    jpeg[frame + 4] = static_cast<char>(height & 0xFF);
    jpeg[frame + 5] = static_cast<char>(width >> 8);
    jpeg[frame + 6] = static_cast<char>(width & 0xFF);
    return jpeg;
}

// A little-endian TIFF of a few hundred bytes declaring an uncompressed RGB
// image of `side` x `side` in one strip that the file does not hold.
std::string TiffDeclaring(std::uint32_t side) {
    std::string tiff("II*\0\x08\0\0\0", 8);
    auto put16 = [&tiff](std::uint32_t v) {
        tiff += static_cast<char>(v & 0xFF);
        tiff += static_cast<char>(v >> 8 & 0xFF);
    };
    auto put32 = [&](std::uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    struct Entry {
        std::uint16_t tag, type;
        std::uint32_t count, value;
    };
    constexpr std::uint16_t kShort = 3, kLong = 4;
    const std::uint32_t bitsOffset = 8 + 2 + 10 * 12 + 4;
    const std::uint32_t stripOffset = bitsOffset + 6;
    const Entry entries[] = {
        {256, kLong, 1, side}, {257, kLong, 1, side}, {258, kShort, 3, bitsOffset},
        {259, kShort, 1, 1},   {262, kShort, 1, 2},   {273, kLong, 1, stripOffset},
        {277, kShort, 1, 3},   {278, kLong, 1, side}, {279, kLong, 1, side * side * 3u},
        {284, kShort, 1, 1}};
    put16(10);
    for (const Entry& entry : entries) {
        put16(entry.tag);
        put16(entry.type);
        put32(entry.count);
        put32(entry.value);  // a SHORT value sits in the low half, little-endian
    }
    put32(0);
    put16(8);
    put16(8);
    put16(8);
    tiff += std::string(128, '\x40');
    return tiff;
}

// A PNG of a few kilobytes whose header declares `width` x `height` (8-bit
// RGB, or 16-bit RGBA with `deep`) and whose data holds `rows` rows only.
std::string PngDeclaring(std::uint32_t width, std::uint32_t height, bool deep, int rows) {
    const std::uint32_t rowBytes = width * (deep ? 8 : 3);
    std::string raw;
    for (int y = 0; y < rows; ++y) {
        raw += '\0';  // no filter
        for (std::uint32_t x = 0; x < rowBytes; ++x) {
            raw += static_cast<char>(x * 7);
        }
    }
    uLongf packedSize = compressBound(raw.size());
    std::string packed(packedSize, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
              reinterpret_cast<const Bytef*>(raw.data()), raw.size(), 9);
    packed.resize(packedSize);
    auto big32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16 & 0xFF),
                           static_cast<char>(v >> 8 & 0xFF), static_cast<char>(v & 0xFF)};
    };
    auto chunk = [&big32](const std::string& type, const std::string& data) {
        const std::string body = type + data;
        const uLong crc =
            crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
        return big32(static_cast<std::uint32_t>(data.size())) + body +
               big32(static_cast<std::uint32_t>(crc));
    };
    const std::string header = big32(width) + big32(height) + std::string(1, deep ? 16 : 8) +
                               std::string(1, deep ? 6 : 2) + std::string(3, '\0');
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", packed) +
           chunk("IEND", "");
}

RunOptions Metered() {
    RunOptions options;
    options.measurePeak = true;
    return options;
}

TEST(PixelBudget, DeclaredHugeHeadersAreRefusedWithASmallPeakResidentSet) {
    ScratchFolder folder;
    const std::string jpeg = JpegDeclaring(32000, 32000);
    const std::string tiff = TiffDeclaring(30000);
    EXPECT_LT(tiff.size(), 300u);
    WriteFileBytes(folder / "huge.jpg", jpeg);
    WriteFileBytes(folder / "huge.tif", tiff);
    ASSERT_EQ(mkdir((folder / "out").c_str(), 0755), 0);
    for (const char* name : {"huge.jpg", "huge.tif"}) {
        SCOPED_TRACE(name);
        const CommandResult run =
            RunMirtane({"restore", folder / name, "-o", folder / "out/r.png"}, Metered());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(
            run.err.find(
                "megapixels), over the limit of 600000000 pixels; raise it with --max-pixels"),
            std::string::npos)
            << run.err;
        EXPECT_LT(run.peakResidentKilobytes, kSmallPeakKilobytes);
        std::printf("%s refused with a peak resident set of %ld KB\n", name,
                    run.peakResidentKilobytes);
        const CommandResult curves = RunMirtane({"curves", folder / name}, Metered());
        EXPECT_EQ(curves.exitCode, 1);
        EXPECT_LT(curves.peakResidentKilobytes, kSmallPeakKilobytes);
    }
    // Workers: the rusage of the command includes the workers it waited for.
    const CommandResult batch = RunMirtane({"restore", folder / "huge.jpg", folder / "huge.tif",
                                            "--output-dir", folder / "out", "-j", "2"},
                                           Metered());
    EXPECT_EQ(batch.exitCode, 1);
    EXPECT_EQ(Lines(batch.err).size(), 3u) << batch.err;  // two reasons and the summary
    EXPECT_LT(batch.peakResidentKilobytes, kSmallPeakKilobytes);
    EXPECT_TRUE(FolderEntries(folder / "out").empty());
}

TEST(PixelBudget, MaxPixelsSetsTheLimitBothWays) {
    ScratchFolder folder;
    WriteImage(ToVips(MakeFadedScene(600, 500)), folder / "scene.png");  // 300000 pixels
    const CommandResult under =
        RunMirtane({"curves", folder / "scene.png", "--max-pixels", "299999"});
    EXPECT_EQ(under.exitCode, 1);
    EXPECT_EQ(under.err, "mirtane: " + (folder / "scene.png") +
                             ": image is 600 x 500 pixels (0 megapixels), over the limit of 299999 "
                             "pixels; raise it with --max-pixels if it is real\n");
    const CommandResult exact =
        RunMirtane({"curves", folder / "scene.png", "--max-pixels", "300000"});
    EXPECT_EQ(exact.exitCode, 0) << exact.err;
    const CommandResult batch =
        RunMirtane({"restore", folder / "scene.png", folder / "scene.png", "--output-dir",
                    folder / "out", "--max-pixels", "299999", "-j", "2"});
    EXPECT_NE(batch.err.find("over the limit of 299999 pixels"), std::string::npos) << batch.err;
}

TEST(MemoryBudget, DecodedBytesOverTheBudgetAreRefusedFromTheHeaderInEveryFormat) {
    ScratchFolder folder;
    WriteFileBytes(folder / "rgb.png", PngDeclaring(24000, 24000, false, 16));    // 1.7 GB
    WriteFileBytes(folder / "rgba16.png", PngDeclaring(20000, 20000, true, 16));  // 3.2 GB
    WriteFileBytes(folder / "huge.jpg", JpegDeclaring(24000, 24000));             // 1.7 GB
    WriteFileBytes(folder / "huge.tif", TiffDeclaring(24000));                    // 1.7 GB
    WriteImage(ToVips(MakeFadedScene(600, 500)), folder / "scene.webp");          // 900 kB
    for (const char* name : {"rgb.png", "rgba16.png", "huge.jpg", "huge.tif"}) {
        SCOPED_TRACE(name);
        const CommandResult run =
            RunMirtane({"curves", folder / name, "--max-memory", "1G"}, Metered());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find("decoded, over the memory budget of 1.1 GB; raise it with "
                               "--max-memory"),
                  std::string::npos)
            << run.err;
        EXPECT_LT(run.peakResidentKilobytes, kSmallPeakKilobytes);
        std::printf("%s refused with a peak resident set of %ld KB\n", name,
                    run.peakResidentKilobytes);
    }
    const CommandResult webp = RunMirtane(
        {"restore", folder / "scene.webp", "-o", folder / "r.png", "--max-memory", "899999"});
    EXPECT_EQ(webp.exitCode, 1);
    EXPECT_NE(webp.err.find("image is 600 x 500 pixels of 3 bands at 8 bits: 900 kB decoded"),
              std::string::npos)
        << webp.err;
    const CommandResult enough = RunMirtane(
        {"restore", folder / "scene.webp", "-o", folder / "r.png", "--max-memory", "900000"});
    EXPECT_EQ(enough.exitCode, 0) << enough.err;
    // Workers get the budget too.
    const CommandResult batch =
        RunMirtane({"restore", folder / "scene.webp", folder / "rgb.png", "--output-dir",
                    folder / "out", "--max-memory", "878K", "-j", "2"});
    EXPECT_EQ(batch.exitCode, 1);
    EXPECT_NE(batch.err.find("900 kB decoded, over the memory budget of 899 kB"), std::string::npos)
        << batch.err;
    EXPECT_TRUE(FolderEntries(folder / "out").empty());
}

TEST(MemoryBudget, AFileWhoseDataEndsEarlyFailsBeforeItsDeclaredSizeIsHeld) {
    // Under the budget, but only 16 of its rows are there: decoding stops
    // at the first missing row, having touched memory for a strip only
    // (decoding into the whole raster took 2 and 3.6 GB).
    ScratchFolder folder;
    WriteFileBytes(folder / "rgb.png", PngDeclaring(24000, 24000, false, 16));
    WriteFileBytes(folder / "rgba16.png", PngDeclaring(20000, 20000, true, 16));
    WriteFileBytes(folder / "huge.jpg", JpegDeclaring(24000, 24000));
    const struct {
        const char* name;
        long declaredKilobytes;
    } bombs[] = {{"rgb.png", 24000L * 24000 * 3 / 1024},
                 {"rgba16.png", 20000L * 20000 * 8 / 1024},
                 {"huge.jpg", 24000L * 24000 * 3 / 1024}};
    for (const auto& bomb : bombs) {
        SCOPED_TRACE(bomb.name);
        const CommandResult run =
            RunMirtane({"curves", folder / bomb.name, "--max-memory", "8G"}, Metered());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find("damaged or truncated"), std::string::npos) << run.err;
        // The sanitizers' shadow of the reserved buffers takes an eighth of
        // them; the pixels themselves are never touched.
        EXPECT_LT(run.peakResidentKilobytes, bomb.declaredKilobytes / 4);
        std::printf("%s (%ld KB declared) failed with a peak resident set of %ld KB\n", bomb.name,
                    bomb.declaredKilobytes, run.peakResidentKilobytes);
    }
}

TEST(PixelBudget, SmallImageForScale) {
    // The reference for kSmallPeakKilobytes: a whole restore of a small image.
    ScratchFolder folder;
    WriteImage(ToVips(MakeFadedScene(600, 500)), folder / "scene.png");
    const CommandResult run =
        RunMirtane({"restore", folder / "scene.png", "-o", folder / "r.png"}, Metered());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_LT(run.peakResidentKilobytes, kSmallPeakKilobytes);
    RecordProperty("peakResidentKilobytes", std::to_string(run.peakResidentKilobytes));
    std::printf("peak resident set of a 600 x 500 restore: %ld KB\n", run.peakResidentKilobytes);
}

}  // namespace
}  // namespace clitest
