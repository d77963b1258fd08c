#include "tests/pipeline/PipelineHarness.h"

#include <utility>

#include "pluginapi/PluginConstants.h"
#include "run/HostState.h"
#include "run/TrackedMemory.h"

namespace mirtane::harness {

namespace {

std::function<void()> gScenario;
ParameterBlock gBlock{};
float gTables[3][256];

}  // namespace

void SetStartScenario(std::function<void()> scenario) { gScenario = std::move(scenario); }

ParameterBlock& Block() { return gBlock; }

float* Table(int channel) { return gTables[channel]; }

void SetIdentityTables() {
    gBlock = ParameterBlock{};
    gBlock.redTint = gBlock.greenTint = gBlock.blueTint = kNeutralTint;
    gBlock.whiteLevel = 1.0f;
    for (int channel = 0; channel < 3; ++channel) {
        for (int i = 0; i < 256; ++i)
            gTables[channel][i] = static_cast<float>(i) / 255.0f;
        gBlock.curveTables[channel] = gTables[channel];
    }
}

extern "C" void PI_CDECL PipelineEntry(std::int16_t selector, void* record, std::intptr_t* data,
                                       std::int16_t* result) {
    gHost.filterRecord = static_cast<FilterRecord*>(record);
    gHost.dataSlot = data;
    gHost.resultSlot = result;
    gHost.parameterBlock = &gBlock;
    FilterRecord* filter = gHost.filterRecord;
    if (selector == filterSelectorStart && gScenario) gScenario();
    if (selector == filterSelectorContinue)
        filter->inRect = filter->outRect = filter->maskRect = Rect{0, 0, 0, 0};
    if (selector == filterSelectorFinish || *result != noErr) {
        ReleaseAllTracked();
        filter->inRect = filter->outRect = filter->maskRect = Rect{0, 0, 0, 0};
    }
    gHost.parameterBlock = nullptr;
}

}  // namespace mirtane::harness
