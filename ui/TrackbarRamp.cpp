#include "ui/TrackbarRamp.h"

#include "analysis/Rounding.h"

namespace mirtane::ui {
namespace {

std::uint8_t Blend(std::uint8_t start, std::uint8_t end, std::int32_t index) {
    return static_cast<std::uint8_t>(start + (end - start) * index / kRampStripeCount);
}

}  // namespace

bool RampEndsForSlider(std::int32_t controlId, RampEnds& ends) {
    switch (controlId) {
    case 10: ends = RampEnds{{0, 255, 255}, {255, 0, 0}}; return true;
    case 11: ends = RampEnds{{255, 0, 255}, {0, 255, 0}}; return true;
    case 12: ends = RampEnds{{255, 255, 0}, {0, 0, 255}}; return true;
    default: return false;
    }
}

RampStripe TrackbarRampStripe(std::int32_t index, std::int32_t left, std::int32_t right,
                              const RampEnds& ends) {
    const float step = static_cast<float>(right - left) * (1.0f / 255.0f);
    RampStripe stripe;
    stripe.left = left + TruncateToInt(static_cast<float>(index) * step);
    stripe.right = left + TruncateToInt(static_cast<float>(index + 1) * step);
    stripe.colour.red = Blend(ends.start.red, ends.end.red, index);
    stripe.colour.green = Blend(ends.start.green, ends.end.green, index);
    stripe.colour.blue = Blend(ends.start.blue, ends.end.blue, index);
    return stripe;
}

}  // namespace mirtane::ui
