#include "testhost/HostProfiles.h"

namespace testhost {
namespace {

constexpr OSType FourCharacters(char a, char b, char c, char d) {
    return (static_cast<OSType>(static_cast<unsigned char>(a)) << 24) |
           (static_cast<OSType>(static_cast<unsigned char>(b)) << 16) |
           (static_cast<OSType>(static_cast<unsigned char>(c)) << 8) |
           static_cast<OSType>(static_cast<unsigned char>(d));
}

HostQuirks PlaneZeroOnly() {
    HostQuirks quirks;
    quirks.planeZeroOnly = true;
    return quirks;
}

HostQuirks RefillOnRectChange() {
    HostQuirks quirks;
    quirks.refillOnRectChange = true;
    return quirks;
}

HostQuirks BlueGreenRed() {
    HostQuirks quirks;
    quirks.blueGreenRed = true;
    return quirks;
}

HostQuirks FourBytesPerPixel() {
    HostQuirks quirks;
    quirks.bytesPerPixel = 4;
    return quirks;
}

HostQuirks NoScripting() {
    HostQuirks quirks;
    quirks.noScripting = true;
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

HostQuirks NoAdvanceState() {
    HostQuirks quirks;
    quirks.nullAdvanceState = true;
    return quirks;
}

HostQuirks WholeImageTiles() {
    HostQuirks quirks;
    quirks.wholeImageTiles = true;
    return quirks;
}

HostQuirks PresetResult() {
    HostQuirks quirks;
    quirks.presetResult = true;
    return quirks;
}

HostQuirks MovingHandles() {
    HostQuirks quirks;
    quirks.movingHandles = true;
    return quirks;
}

HostQuirks ReversedSignature() {
    HostQuirks quirks;
    quirks.setSignature = true;
    quirks.signature = FourCharacters('P', 'M', 'I', 'G');  // "GIMP" copied byte by byte
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
    quirks.signature = FourCharacters('s', 'p', 'H', 'O');
    return quirks;
}

}  // namespace

const std::vector<HostProfile>& HostProfiles() {
    static const std::vector<HostProfile> profiles = {
        {"well-behaved", "honours every field of the interface", HostQuirks{}, true},
        {"plane0-only", "ignores inLoPlane/inHiPlane and copies from plane 0", PlaneZeroOnly(),
         true},
        {"refill-on-rect-change", "refills inData only when inRect changes", RefillOnRectChange(),
         true},
        {"bgr-storage", "stores blue-green-red; a one-plane area lands at byte 2 of each pixel",
         BlueGreenRed(), true},
        {"four-bytes-per-pixel", "delivers every pixel in four bytes", FourBytesPerPixel(), true},
        {"no-scripting", "offers no descriptor parameters and no basic suite", NoScripting(), true},
        {"null-callbacks",
         "no abort, progress, display or buffer procedures, no basic suite, descriptor "
         "parameters without procedures, a property procedure that writes nothing",
         NullCallbacks(), true},
        {"whole-image-tiles", "tile sizes of the whole image and no padding support",
         WholeImageTiles(), true},
        {"preset-result", "presets the result slot to 1 before every call", PresetResult(), true},
        {"moving-handles", "moves a handle's block every time it is unlocked", MovingHandles(),
         true},
        {"reversed-signature", "hostSig copied byte by byte from a string ('PMIG')",
         ReversedSignature(), true},
        {"host-library", "the habits of one third-party host library together", HostLibrary(),
         true},
        {"no-advance-state", "offers no advanceState", NoAdvanceState(), false},
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
