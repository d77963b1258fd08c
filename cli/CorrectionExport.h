// The whole 8-bit correction (levels, channel tables and trims folded
// together, at a strength) in forms other tools apply: a 1-D .cube lookup
// table (read by darktable, ffmpeg's lut1d and video tools) and a 256 x 1
// RGB image (libvips maplut, ImageMagick -clut).
#pragma once

#include <array>
#include <string>

#include "cli/Trims.h"
#include "engine/MirtaneEngine.h"

namespace mirtane::cli {

// tables[c][b]: the corrected byte of byte b in channel c (red, green, blue).
using ByteTables = std::array<std::array<unsigned char, 256>, 3>;

ByteTables CorrectionTables(const MirtaneCorrection& correction, const Trims& trims, int strength);

// The .cube text: a TITLE, LUT_1D_SIZE 256, the domain 0 ... 1, then one
// "r g b" line per input level, each entry the corrected byte / 255 with
// six decimals (exact enough to give the same byte back when rounded).
std::string FormatCube(const ByteTables& tables, const std::string& title);

// Writes FormatCube to `path` through the checked writer, replacing the file
// only once complete; "-" writes to standard output. Returns 0, or -1 with
// `error`.
[[nodiscard]] int WriteCube(const ByteTables& tables, const std::string& title,
                            const std::string& path, std::string& error);

// Writes the tables as a 256 x 1 8-bit RGB image to `path` (format from its
// extension, PNG for standard output, "-", or a device; PNG or TIFF keep it
// exact). Returns 0, or -1 with `error`.
[[nodiscard]] int WriteLutImage(const ByteTables& tables, const std::string& path,
                                std::string& error);

}  // namespace mirtane::cli
