// The rules that tie each colour-balance slider to its edit box. A tint runs
// 0 ... 50 with 25 neutral; the edit box shows it as tint - 25.
#pragma once

#include <cstdint>

namespace mirtane::ui {

constexpr std::int32_t kTintMinimum = 0;
constexpr std::int32_t kTintMaximum = 50;
constexpr std::int32_t kTintOffset = 25;  // the neutral tint, shown as 0
constexpr std::int32_t kTintLineStep = 1;
constexpr std::int32_t kTintPageStep = 5;

// Trackbar scroll codes, as the trackbar control numbers them.
enum ScrollCode : std::int32_t {
    kScrollLineUp = 0,
    kScrollLineDown = 1,
    kScrollPageUp = 2,
    kScrollPageDown = 3,
    kScrollThumbPosition = 4,
    kScrollThumbTrack = 5,
    kScrollTop = 6,
    kScrollBottom = 7,
    kScrollEndTrack = 8,
};

struct ScrollResult {
    std::int32_t tint = 0;      // limited to 0 ... 50
    bool restartTimer = false;  // thumb dragging refreshes 500 ms after it rests
};

// The tint after a scroll message with `code`; `thumbPosition` is the
// position the message carries (thumb codes only). Codes not listed, such as
// the end of a track, leave the tint as it is (limited to the range).
ScrollResult ApplyScrollCode(std::int32_t code, std::int32_t thumbPosition, std::int32_t tint);

// The value shown in an edit box for a tint.
inline std::int32_t ShownValue(std::int32_t tint) { return tint - kTintOffset; }

// Reads edit-box text as a signed decimal number: optional blanks, an
// optional sign, digits, optional blanks. Anything else, and an empty box,
// reads as 0. Numbers beyond the 32-bit range are held at its ends.
std::int32_t ReadTypedValue(const char* text);

struct TypedResult {
    std::int32_t tint = kTintOffset;
    bool writeBack = false;  // the box must be rewritten with `shown`
    std::int32_t shown = 0;
};

// The tint for a typed value: value + 25, limited to 0 ... 50. A value
// outside -25 ... 25 gives the nearer end, and the box is rewritten with
// that end (25 or -25); every typed value above 25, however large, gives +25.
TypedResult ApplyTypedValue(std::int32_t typed);

}  // namespace mirtane::ui
