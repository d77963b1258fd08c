// Intake of the image for the analysis: the whole image is read from the host
// in one request, and its red, green and blue planes are taken one at a time,
// scaled to floats in [0, 1] and reduced four-fold in each direction.
#pragma once

#include <cstdint>

#include "run/TrackedBuffer.h"

namespace mirtane {

// The float nearest to 1/255 (bits 0x3B808081): turns a byte into [0, 1].
constexpr float kSampleScale = 0.0039215689f;

// Three reduced planes of width x height floats, row-major, lying back to
// back at the start of `workBuffer` (red, green, blue), which owns them: the
// caller resets it once the analysis is done.
struct ReducedPlanes {
    float* red = nullptr;
    float* green = nullptr;
    float* blue = nullptr;
    TrackedBuffer workBuffer;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

enum class IntakeStatus {
    Ok,
    HostFailure,      // the code is already in the result slot: a host error, -128 or -108
    ReductionFailed,  // the caller shows "Internal Error #1" and sets -128; also
                      // when the host answers a request without data
};

// Bytes of the work buffer for a width x height image: 3 * width * height +
// 0.5 rounded to single precision, then truncated. Exactly 3 * width * height
// below 2^23; never less than the three reduced planes and the scratch of the
// last one need.
[[nodiscard]] std::uint64_t WorkBufferBytes(std::int32_t width, std::int32_t height);

// Reads the whole width x height image (whatever the selection) through the
// filter record in gHost, all three planes interleaved in one request, then
// takes each plane in turn (through the layout the host reports) and reduces
// it with ReducePlaneRows, converting one row of floats at a time. Before each
// plane it asks abortProc; after the last it makes an empty request. Peak
// memory is one row of floats (4 bytes a column) plus the work buffer. On Ok `out` holds the planes
// and owns the work buffer; on failure every block it allocated has been released again.
[[nodiscard]] IntakeStatus ReadAndReducePlanes(std::int32_t width, std::int32_t height,
                                               ReducedPlanes* out);

}  // namespace mirtane
