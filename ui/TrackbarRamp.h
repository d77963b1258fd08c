// The colour ramps painted in the sliders' channels: each channel runs from
// the colour named at its left end to the one named at its right end.
#pragma once

#include <cstdint>

namespace mirtane::ui {

constexpr std::int32_t kRampStripeCount = 255;

struct RampColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

struct RampEnds {
    RampColour start;  // left end
    RampColour end;    // right end
};

// The ends of the slider with the given control id (10 cyan to red, 11
// magenta to green, 12 yellow to blue). False for any other id.
bool RampEndsForSlider(std::int32_t controlId, RampEnds& ends);

// One vertical stripe of a ramp across [left, right).
struct RampStripe {
    std::int32_t left = 0;
    std::int32_t right = 0;  // exclusive
    RampColour colour;
};

// Stripe `index` (0 ... 254) of the ramp over [left, right): with
// step = (right - left) / 255 in single precision it spans
// left + trunc(index * step) to left + trunc((index + 1) * step), and each
// colour component is trunc(start + (end - start) * index / 255), so the
// last stripe is 254/255 of the way to the end colour.
RampStripe TrackbarRampStripe(std::int32_t index, std::int32_t left, std::int32_t right,
                              const RampEnds& ends);

}  // namespace mirtane::ui
