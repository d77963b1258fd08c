// A stand-in plug-in for exercising the host's mechanics: its entry point
// forwards every call to whatever behaviour the test installed.
#pragma once

#include <cstdint>
#include <functional>

#include "pluginapi/FilterRecord.h"

namespace fakeplugin {

// `record` is the FilterRecord (or the AboutRecord for selector 0).
using Behaviour = std::function<void(std::int16_t selector, void* record, std::intptr_t* data,
                                     std::int16_t* result)>;

// Installs the behaviour for the following calls; a null one does nothing.
void Install(Behaviour behaviour);

// The entry point handed to TestHost.
void PI_CDECL Entry(std::int16_t selector, void* record, std::intptr_t* data, std::int16_t* result);

// Reads a field of the packed record by value: a reference to a pointer field
// may be misaligned, which the sanitizers rightly refuse.
template <typename T>
T Field(T value) {
    return value;
}

inline FilterRecord& Record(void* record) { return *static_cast<FilterRecord*>(record); }

// Installs a behaviour that runs `start` at the start selector and empties
// the three rectangles at continue, as a plug-in that does all its work in
// start does.
void InstallStartOnly(std::function<void(FilterRecord&, std::int16_t* result)> start);

}  // namespace fakeplugin
