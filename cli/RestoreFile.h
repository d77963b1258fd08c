// Restoring one photo file: read, run the plug-in, write the result (and
// optionally a side-by-side comparison), each step's failure reported as one
// line naming the file.
#pragma once

#include <cstdint>
#include <string>

#include "cli/PhotoFile.h"
#include "cli/Reporter.h"
#include "cli/Trims.h"

namespace mirtane::cli {

constexpr int kDefaultQuality = 92;

struct RestoreJob {
    std::string input;
    std::string output;
    std::string comparison;  // empty: no comparison picture
    Trims trims;
    int quality = kDefaultQuality;  // JPEG and WebP
    std::int64_t maxPixels = kDefaultMaxPixels;  // larger inputs are refused unread
};

// Returns 0 when the output (and the comparison, if asked for) was written,
// else -1 after reporting the reason through `reporter`. Nothing is written
// unless it is complete: a failure leaves any existing output untouched.
[[nodiscard]] int RestoreFile(const RestoreJob& job, Reporter& reporter);

}  // namespace mirtane::cli
