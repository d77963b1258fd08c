#include "host/HostState.h"

namespace mirtane {

HostState gHost;

std::int16_t DocumentPlaneCount() {
    const FilterRecord* record = gHost.filterRecord;
    return record->filterCase <= filterCaseFlatImageWithSelection ? record->planes
                                                                  : record->inLayerPlanes;
}

}  // namespace mirtane
