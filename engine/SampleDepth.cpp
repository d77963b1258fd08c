// The 8-bit rendering of a deeper sample, apart from the rest of the engine:
// the command's file reading needs it and nothing else of the engine.
#include "engine/MirtaneEngine.h"

extern "C" unsigned char mirtane_sample16_to_8(unsigned short value) {
    return static_cast<unsigned char>((static_cast<unsigned>(value) * 255u + 32767u) / 65535u);
}
