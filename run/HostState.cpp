#include "run/HostState.h"

namespace mirtane {

HostState gHost;

FilterRecord* CurrentFilterRecord() { return gHost.filterRecord; }

ParameterBlock* CurrentParameterBlock() { return gHost.parameterBlock; }

std::int16_t HostResult() { return gHost.resultSlot != nullptr ? *gHost.resultSlot : 0; }

void SetHostResult(std::int16_t code) {
    if (gHost.resultSlot != nullptr) {
        *gHost.resultSlot = code;
    }
}

std::int16_t DocumentPlaneCount() {
    const FilterRecord* record = gHost.filterRecord;
    return record->filterCase <= filterCaseFlatImageWithSelection ? record->planes
                                                                  : record->inLayerPlanes;
}

}  // namespace mirtane
