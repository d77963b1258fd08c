#include "ui/TintControls.h"

#include <cctype>
#include <limits>

#include "analysis/Rounding.h"

namespace mirtane::ui {

ScrollResult ApplyScrollCode(std::int32_t code, std::int32_t thumbPosition, std::int32_t tint) {
    ScrollResult result;
    std::int32_t value = tint;
    switch (code) {
    case kScrollLineUp: value -= kTintLineStep; break;
    case kScrollLineDown: value += kTintLineStep; break;
    case kScrollPageUp: value -= kTintPageStep; break;
    case kScrollPageDown: value += kTintPageStep; break;
    case kScrollThumbPosition: value = thumbPosition; break;
    case kScrollThumbTrack:
        value = thumbPosition;
        result.restartTimer = true;
        break;
    case kScrollTop: value = kTintMinimum; break;
    case kScrollBottom: value = kTintMaximum; break;
    default: break;
    }
    result.tint = Clamp(value, kTintMinimum, kTintMaximum);
    return result;
}

std::int32_t ReadTypedValue(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    const char* cursor = text;
    while (*cursor == ' ' || *cursor == '\t') {
        ++cursor;
    }
    bool negative = false;
    if (*cursor == '+' || *cursor == '-') {
        negative = *cursor == '-';
        ++cursor;
    }
    if (std::isdigit(static_cast<unsigned char>(*cursor)) == 0) {
        return 0;
    }
    // Accumulated in 64 bits and held at the 32-bit ends, so that a long
    // run of digits cannot wrap to the other sign.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    while (std::isdigit(static_cast<unsigned char>(*cursor)) != 0) {
        magnitude = magnitude * 10 + (*cursor - '0');
        if (magnitude > kLimit) {
            magnitude = kLimit;
        }
        ++cursor;
    }
    while (*cursor == ' ' || *cursor == '\t') {
        ++cursor;
    }
    if (*cursor != '\0') {
        return 0;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    return static_cast<std::int32_t>(Clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

TypedResult ApplyTypedValue(std::int32_t typed) {
    TypedResult result;
    const std::int64_t tint = std::int64_t{typed} + kTintOffset;
    if (tint > kTintMaximum) {
        result.tint = kTintMaximum;
        result.writeBack = true;
        result.shown = ShownValue(kTintMaximum);
    } else if (tint < kTintMinimum) {
        result.tint = kTintMinimum;
        result.writeBack = true;
        result.shown = ShownValue(kTintMinimum);
    } else {
        result.tint = static_cast<std::int32_t>(tint);
        result.shown = typed;
    }
    return result;
}

}  // namespace mirtane::ui
