// Settings for timing the application: bent curves, levels inside [0, 1] and
// non-neutral tints, so that no stage of the per-byte tables is trivial.
#pragma once

#include "host/ParameterBlock.h"

struct BentCurveSettings {
    mirtane::ParameterBlock block{};
    float tables[3][256];

    BentCurveSettings() {
        for (int channel = 0; channel < 3; ++channel) {
            for (int i = 0; i < 256; ++i) {
                const float x = static_cast<float>(i) / 255.0f;
                tables[channel][i] = x * x * (3.0f - 2.0f * x);
            }
            block.curveTables[channel] = tables[channel];
        }
        block.redTint = 20;
        block.greenTint = 25;
        block.blueTint = 33;
        block.blackLevel = 0.05f;
        block.whiteLevel = 0.95f;
    }
};
