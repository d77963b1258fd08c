#include "FakePlugin.h"

#include <utility>

#include "pluginapi/PluginConstants.h"

namespace fakeplugin {
namespace {

Behaviour gBehaviour;

}  // namespace

void Install(Behaviour behaviour) { gBehaviour = std::move(behaviour); }

void PI_CDECL Entry(std::int16_t selector, void* record, std::intptr_t* data,
                    std::int16_t* result) {
    if (gBehaviour) {
        gBehaviour(selector, record, data, result);
    }
}

void InstallStartOnly(std::function<void(FilterRecord&, std::int16_t* result)> start) {
    Install([start = std::move(start)](std::int16_t selector, void* record, std::intptr_t*,
                                       std::int16_t* result) {
        if (selector == filterSelectorStart) {
            start(Record(record), result);
        } else if (selector == filterSelectorContinue) {
            FilterRecord& filter = Record(record);
            filter.inRect = filter.outRect = filter.maskRect = Rect{0, 0, 0, 0};
        }
    });
}

}  // namespace fakeplugin
