// The curves command's output: the black and white levels and the three
// 256-entry channel tables, as text or JSON. Values print with %.9g, which
// gives back the exact float32 when read.
#pragma once

#include <string>

#include "cli/ChannelCurves.h"
#include "cli/CorrectionExport.h"
#include "engine/MirtaneEngine.h"

namespace mirtane::cli {

// "black-level V\nwhite-level V\n" then one line of 256 values per channel,
// red, green, blue, each line starting with the channel's name.
std::string FormatCurvesText(const ChannelCurves& curves);

// {"file": ..., "blackLevel": V, "whiteLevel": V, "red": [256 values],
//  "green": [...], "blue": [...], "byteTables": {"red": [256 bytes], ...}};
// a value that is not finite becomes null. The byte tables are the whole
// 8-bit correction: byte b of a channel becomes its entry b. With `natural`
// (the natural method's choice) a "natural" object follows with what it
// read and chose, enough to rebuild its tables:
//   "area": [left, top, width, height], "black", "white", "shrunkWhite":
//   [R, G, B] code values, "evidence": "raised black" or "shared tint",
//   "blackStrength", "tintStrength", "tint": [[a*, b*] of shadows,
//   mid-tones, highlights], "flare" (linear light), "blackDensity",
//   "balanceGain", "gain": [R, G, B], "depthGain", "strength".
std::string FormatCurvesJson(const std::string& file, const ChannelCurves& curves,
                             const ByteTables& bytes,
                             const MirtaneNaturalChoice* natural = nullptr);

// `text` as a JSON string literal, quotes included; always valid UTF-8.
// File names are bytes: valid UTF-8 sequences are copied, and each byte that
// is not part of one becomes \u00XX, its Latin-1 reading (so a Latin-1 name
// shows as meant; the original bytes cannot be told from UTF-8 ones then).
std::string JsonString(const std::string& text);

}  // namespace mirtane::cli
