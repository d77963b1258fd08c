// A stand-in plug-in entry that lets the test host drive the pipeline alone:
// it records the host's pointers in gHost as PluginMain does, runs the
// scenario of the test at the start selector, empties the rectangles at
// continue, and releases all tracked memory at finish and after any failed
// selector, as the real error epilogue does.
#pragma once

#include <cstdint>
#include <functional>
#include <random>

#include "host/ParameterBlock.h"
#include "hosts/kit/Image.h"
#include "pluginapi/FilterRecord.h"

namespace mirtane::harness {

// The work of the start selector; the scenario may write the result slot.
void SetStartScenario(std::function<void()> scenario);

// The parameter block the scenario sees in gHost (tints 25, levels 0 and 1,
// curve tables pointing at `tables`).
ParameterBlock& Block();
float* Table(int channel);
void SetIdentityTables();

extern "C" void PI_CDECL PipelineEntry(std::int16_t selector, void* record, std::intptr_t* data,
                                       std::int16_t* result);

inline bool RectIs(const Rect& rect, int top, int left, int bottom, int right) {
    return rect.top == top && rect.left == left && rect.bottom == bottom && rect.right == right;
}

// Uniformly random samples: every byte value occurs in every plane.
inline hostkit::Image RandomImage(int width, int height, unsigned seed) {
    hostkit::Image image = hostkit::MakeImage(width, height);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::uint8_t& v : image.pixels)
        v = static_cast<std::uint8_t>(byte(random));
    return image;
}

}  // namespace mirtane::harness
