#include "cli/CorrectionExport.h"

#include <unistd.h>

#include <cstdio>

#include "cli/AtomicFile.h"
#include "cli/CheckedWrite.h"
#include "cli/PhotoFormats.h"
#include "cli/PhotoWriting.h"

namespace mirtane::cli {

ByteTables CorrectionTables(const MirtaneCorrection& correction, const Trims& trims, int strength) {
    const MirtaneTrims engineTrims{trims.cyanRed, trims.magentaGreen, trims.yellowBlue};
    unsigned char raw[3][256];
    mirtane_byte_tables(&correction, &engineTrims, strength, raw);
    ByteTables tables{};
    for (int c = 0; c < 3; ++c) {
        for (int b = 0; b < 256; ++b)
            tables[c][b] = raw[c][b];
    }
    return tables;
}

std::string FormatCube(const ByteTables& tables, const std::string& title) {
    std::string text = "TITLE \"";
    for (char c : title) {
        text += c == '"' || static_cast<unsigned char>(c) < 0x20 ? '_' : c;
    }
    text += "\"\nLUT_1D_SIZE 256\nDOMAIN_MIN 0.0 0.0 0.0\nDOMAIN_MAX 1.0 1.0 1.0\n";
    char line[64];
    for (int b = 0; b < 256; ++b) {
        std::snprintf(line, sizeof line, "%.6f %.6f %.6f\n", tables[0][b] / 255.0,
                      tables[1][b] / 255.0, tables[2][b] / 255.0);
        text += line;
    }
    return text;
}

int WriteCube(const ByteTables& tables, const std::string& title, const std::string& path,
              std::string& error) {
    const std::string text = FormatCube(tables, title);
    if (path == kStandardStream) {
        CheckedWriter output(STDOUT_FILENO);
        if (output.Write(text.data(), text.size()) != 0) {
            error = "cannot write to standard output: " + output.Reason();
            return -1;
        }
        return 0;
    }
    AtomicFile file;
    if (file.Create(path, error) != 0) {
        return -1;
    }
    CheckedWriter writer(file.fd());
    if (writer.Write(text.data(), text.size()) != 0) {
        error = "cannot write " + path + ": " + writer.Reason();
        return -1;
    }
    return file.Commit(error);
}

int WriteLutImage(const ByteTables& tables, const std::string& path, std::string& error) {
    hostkit::Image lut = hostkit::MakeImage(256, 1, 3);
    for (int b = 0; b < 256; ++b) {
        for (int c = 0; c < 3; ++c)
            lut.pixels[b * 3 + c] = tables[c][b];
    }
    try {
        return SaveImage(path, ToVipsImage(lut),
                         SaveSettings{0, {}, SidePictureFormat(path), false}, {}, error);
    } catch (const vips::VError& failure) {
        vips_error_clear();
        error = std::string("cannot write the lookup table image: ") + failure.what();
        return -1;
    }
}

}  // namespace mirtane::cli
