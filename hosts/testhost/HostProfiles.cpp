#include "hosts/testhost/HostProfiles.h"

namespace testhost {
namespace {

// The quirks of a host with one habit.
template <typename Value>
HostQuirks With(Value HostQuirks::*habit, Value value) {
    HostQuirks quirks;
    quirks.*habit = value;
    return quirks;
}

// abortProc, progressProc, displayPixels, the buffer procedures and the
// basic suite are null; the descriptor parameters are there but without
// their read and write procedures; getPropertyProc writes nothing.
HostQuirks NullCallbacks() {
    HostQuirks quirks;
    quirks.nullOptionalCallbacks = true;
    quirks.silentPropertyProc = true;
    return quirks;
}

HostQuirks ReversedSignature() {
    HostQuirks quirks;
    quirks.setSignature = true;
    quirks.signature = FourCharCode("PMIG");  // "GIMP" copied byte by byte
    return quirks;
}

// One third-party host library has most of these habits at once.
HostQuirks HostLibrary() {
    HostQuirks quirks = NullCallbacks();
    quirks.planeZeroOnly = true;
    quirks.refillOnRectChange = true;
    quirks.blueGreenRed = true;
    quirks.wholeImageTiles = true;
    quirks.presetResult = true;
    quirks.setSignature = true;
    quirks.signature = FourCharCode("spHO");
    return quirks;
}

}  // namespace

const std::vector<HostProfile>& HostProfiles() {
    static const std::vector<HostProfile> profiles = {
        {"well-behaved", "honours every field of the interface", HostQuirks{}, true},
        {"plane0-only", "ignores inLoPlane/inHiPlane and copies from plane 0",
         With(&HostQuirks::planeZeroOnly, true), true},
        {"refill-on-rect-change", "refills inData only when inRect changes",
         With(&HostQuirks::refillOnRectChange, true), true},
        {"bgr-storage", "stores blue-green-red; a one-plane area lands at byte 2 of each pixel",
         With(&HostQuirks::blueGreenRed, true), true},
        {"four-bytes-per-pixel", "delivers every pixel in four bytes",
         With(&HostQuirks::bytesPerPixel, 4), true},
        {"no-scripting", "offers no descriptor parameters and no basic suite",
         With(&HostQuirks::noScripting, true), true},
        {"null-callbacks",
         "no abort, progress, display or buffer procedures, no basic suite, descriptor "
         "parameters without procedures, a property procedure that writes nothing",
         NullCallbacks(), true},
        {"whole-image-tiles", "tile sizes of the whole image and no padding support",
         With(&HostQuirks::wholeImageTiles, true), true},
        {"preset-result", "presets the result slot to 1 before every call",
         With(&HostQuirks::presetResult, true), true},
        {"moving-handles", "moves a handle's block every time it is unlocked",
         With(&HostQuirks::movingHandles, true), true},
        {"reversed-signature", "hostSig copied byte by byte from a string ('PMIG')",
         ReversedSignature(), true},
        {"host-library", "the habits of one third-party host library together", HostLibrary(),
         true},
        {"no-advance-state", "offers no advanceState", With(&HostQuirks::nullAdvanceState, true),
         false},
    };
    return profiles;
}

const HostProfile* FindHostProfile(std::string_view name) {
    for (const HostProfile& profile : HostProfiles()) {
        if (profile.name == name) {
            return &profile;
        }
    }
    return nullptr;
}

std::string HostProfileNames() {
    std::string names;
    for (const HostProfile& profile : HostProfiles()) {
        if (!names.empty()) {
            names += ", ";
        }
        names += profile.name;
    }
    return names;
}

}  // namespace testhost
