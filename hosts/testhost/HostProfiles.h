// Named host profiles: habits of hosts that shipped, which a plug-in must
// survive, reproduced one at a time (or, in "host-library", together as one
// third-party host library has them). A profile only changes what the host
// does; the document and the plug-in stay the same, so a run under any
// profile that can complete must give exactly the bytes of "well-behaved".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pluginapi/PluginTypes.h"

namespace testhost {

struct HostQuirks {
    // Pixel exchange (see ExchangeOptions).
    bool planeZeroOnly = false;
    bool refillOnRectChange = false;
    bool blueGreenRed = false;
    int bytesPerPixel = 0;
    // Services the host leaves out.
    bool noScripting = false;            // no descriptor parameters, no basic suite
    bool nullOptionalCallbacks = false;  // see HostProfiles.cpp
    bool nullAdvanceState = false;
    bool silentPropertyProc = false;  // getPropertyProc answers 0 and writes nothing
    // Fields of the record.
    bool wholeImageTiles = false;  // tile sizes of the whole image, no padding support
    bool setSignature = false;
    OSType signature = 0;
    // Calls.
    bool presetResult = false;  // the result slot holds 1 when each selector is called
    bool movingHandles = false;
};

struct HostProfile {
    std::string_view name;
    std::string_view habit;  // one line: what the host does
    HostQuirks quirks;
    // False for a host that lacks something the plug-in cannot do without:
    // a run is refused with filterBadParameters instead of completing.
    bool runsComplete = true;
};

// Every profile, "well-behaved" first.
const std::vector<HostProfile>& HostProfiles();

// The profile of that name, or null.
const HostProfile* FindHostProfile(std::string_view name);

// The names, comma-separated, for usage messages.
std::string HostProfileNames();

}  // namespace testhost
