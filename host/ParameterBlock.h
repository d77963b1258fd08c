// The settings block kept in the host's parameters handle and the per-run
// block kept in the host's data slot, with the operations on their handles.
#pragma once

#include <cstdint>

namespace mirtane {

constexpr std::int32_t kNeutralTint = 25;
constexpr std::int32_t kCurveLength = 256;
constexpr std::int32_t kSlopeGridHeight = 257;
constexpr float kDefaultGammaExponent = 0.7f;  // bits 0x3F333333

// Settings of a run. The three tints run 0 ... 50 in the dialog, 25 neutral;
// values read from the host are not limited.
struct ParameterBlock {
    std::int32_t redTint;
    std::int32_t greenTint;
    std::int32_t blueTint;
    float gammaExponent;
    std::int32_t curveLength;
    std::int32_t slopeGridHeight;
    float* curveTables[3];  // red, green, blue: curveLength floats each
    float blackLevel;
    float whiteLevel;
};

// Per-run bookkeeping.
struct GlobalsBlock {
    std::uint8_t showDialog;
    float* curveStorage[3];  // red, green, blue blocks from TrackedAlloc
};

// The settings every run starts from: neutral tints, gamma 0.7, 256-entry
// curves, a 257-row slope grid, no tables, levels 0 and 1.
ParameterBlock DefaultParameterBlock();

// Each operation reads the filter record, data slot and result slot recorded
// by PluginMain and reports failure in the result slot.
void CreateParameterHandle();
void CreateGlobalsHandle();
void LockHandles();
void UnlockHandles();
void DisposeHandles();
void SetParameterDefaults();
void InitGlobals();

}  // namespace mirtane
