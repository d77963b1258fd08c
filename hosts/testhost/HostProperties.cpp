// The property procedures: the host knows one property, the watch-cursor
// suspension 'wtch' of the '8BIM' vendor, and only while its own signature
// is '8BIM'. Every other property is undefined, as on hosts that do not
// implement it.
#include "hosts/testhost/TestHost.h"

namespace testhost {
namespace {

bool KnowsWatchProperty(OSType hostSignature, PIType signature, PIType key) {
    return hostSignature == kPhotoshopSignature && signature == kPhotoshopSignature &&
           key == propWatchSuspension;
}

}  // namespace

OSErr TestHost::OnSetProperty(PIType signature, PIType key, std::int32_t /*index*/,
                              std::intptr_t simple, Handle /*complex*/) {
    propertiesSet_.emplace_back(key, simple);
    if (!KnowsWatchProperty(record_.hostSig, signature, key)) {
        return errPlugInPropertyUndefined;
    }
    watchSuspension_ = simple;
    return noErr;
}

OSErr TestHost::OnGetProperty(PIType signature, PIType key, std::int32_t /*index*/,
                              std::intptr_t* simple, Handle* complex) {
    if (quirks_.silentPropertyProc) {
        return noErr;  // success, and nothing written
    }
    if (complex != nullptr) {
        *complex = nullptr;
    }
    if (!KnowsWatchProperty(record_.hostSig, signature, key) || simple == nullptr) {
        return errPlugInPropertyUndefined;
    }
    *simple = watchSuspension_;
    return noErr;
}

}  // namespace testhost
