#include "hosts/prodhost/ProductionHost.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace prodhost {
namespace {

ProductionHost* gActiveHost = nullptr;

constexpr int kMaxContinueCalls = 1000000;

std::int16_t Side(int value) { return static_cast<std::int16_t>(std::clamp(value, 0, 32767)); }

}  // namespace

// The C entry points of the record; each forwards to the active host and
// fails safely without one.
struct ProductionCallbacks {
    static Boolean PI_CDECL Abort() { return gActiveHost == nullptr ? 1 : 0; }

    static void PI_CDECL Progress(std::int32_t done, std::int32_t total) {
        if (gActiveHost != nullptr && gActiveHost->progress_) {
            gActiveHost->progress_(done, total);
        }
    }

    static OSErr PI_CDECL AdvanceState() {
        return gActiveHost != nullptr ? gActiveHost->Advance() : paramErr;
    }

    static void PI_CDECL ProcessEvent(void* /*event*/) {}

    static OSErr PI_CDECL AllocateBuffer(std::int32_t size, BufferID* id) {
        if (id == nullptr) {
            return paramErr;
        }
        *id = nullptr;
        if (gActiveHost == nullptr || size < 0) {
            return memFullErr;
        }
        void* block = gActiveHost->pool_.Take(static_cast<std::size_t>(size));
        if (block == nullptr) {
            return memFullErr;
        }
        *id = static_cast<BufferID>(block);
        return noErr;
    }

    static Ptr PI_CDECL LockBuffer(BufferID id, Boolean /*moveHigh*/) {
        if (gActiveHost == nullptr || !gActiveHost->pool_.Lent(id)) {
            Refused("buffer lockProc of an unknown buffer");
            return nullptr;
        }
        return reinterpret_cast<Ptr>(id);
    }

    static void PI_CDECL UnlockBuffer(BufferID /*id*/) {}

    static void PI_CDECL FreeBuffer(BufferID id) {
        if (gActiveHost == nullptr || !gActiveHost->pool_.Give(id)) {
            Refused("freeProc of an unknown buffer");
        }
    }

    static std::int32_t PI_CDECL BufferSpace() {
        if (gActiveHost == nullptr) {
            return 0;
        }
        const BufferPool& pool = gActiveHost->pool_;
        return static_cast<std::int32_t>(
            std::min<std::uint64_t>(pool.capacity() - std::min(pool.capacity(), pool.BytesLent()),
                                    std::numeric_limits<std::int32_t>::max()));
    }

    static Handle PI_CDECL NewHandle(std::int32_t size) {
        return gActiveHost != nullptr ? gActiveHost->handles_.New(size) : nullptr;
    }
    static void PI_CDECL DisposeHandle(Handle handle) {
        if (gActiveHost != nullptr) {
            gActiveHost->handles_.Dispose(handle);
        }
    }
    static std::int32_t PI_CDECL GetHandleSize(Handle handle) {
        return gActiveHost != nullptr ? gActiveHost->handles_.Size(handle) : 0;
    }
    static OSErr PI_CDECL SetHandleSize(Handle handle, std::int32_t size) {
        return gActiveHost != nullptr ? gActiveHost->handles_.Resize(handle, size) : memFullErr;
    }
    static Ptr PI_CDECL LockHandle(Handle handle, Boolean moveHigh) {
        return gActiveHost != nullptr ? gActiveHost->handles_.Lock(handle, moveHigh) : nullptr;
    }
    static void PI_CDECL UnlockHandle(Handle handle) {
        if (gActiveHost != nullptr) {
            gActiveHost->handles_.Unlock(handle);
        }
    }
    static void PI_CDECL RecoverSpace(std::int32_t /*size*/) {}

    // The one property: the watch-cursor suspension of the '8BIM' vendor.
    static OSErr PI_CDECL SetProperty(PIType signature, PIType key, std::int32_t /*index*/,
                                      std::intptr_t simple, Handle /*complex*/) {
        if (gActiveHost == nullptr || signature != kPhotoshopSignature ||
            key != propWatchSuspension) {
            return errPlugInPropertyUndefined;
        }
        gActiveHost->watchSuspension_ = simple;
        return noErr;
    }
    static OSErr PI_CDECL GetProperty(PIType signature, PIType key, std::int32_t /*index*/,
                                      std::intptr_t* simple, Handle* complex) {
        if (complex != nullptr) {
            *complex = nullptr;
        }
        if (gActiveHost == nullptr || signature != kPhotoshopSignature ||
            key != propWatchSuspension || simple == nullptr) {
            return errPlugInPropertyUndefined;
        }
        *simple = gActiveHost->watchSuspension_;
        return noErr;
    }

    static void Refused(const char* what) {
        if (gActiveHost != nullptr) {
            gActiveHost->protocolLog_.emplace_back(what);
        }
    }
};

ProductionHost* ProductionHost::Active() { return gActiveHost; }

ProductionHost::ProductionHost(PluginEntryProc entry)
    : entry_(entry), pool_(DefaultPoolCapacity()), windows_(pool_), handles_(protocolLog_) {
    FillRecord();
    gActiveHost = this;
}

ProductionHost::~ProductionHost() {
    windows_.Release(record_);
    if (gActiveHost == this) {
        gActiveHost = nullptr;
    }
}

// The record as a host fills it before the first selector: zeroed, the
// callbacks in place, tile sizes left to the plug-in, paddings at "error on
// out-of-bounds" until the plug-in chooses, full-resolution input only.
void ProductionHost::FillRecord() {
    hostkit::ConnectRecord<ProductionCallbacks>(record_, suites_);
    record_.maxSpace = static_cast<std::int32_t>(pool_.capacity());
    record_.samplingSupport = 0;  // headless: no sampled previews
    SetImage(ImageView{});
}

void ProductionHost::SetImage(const ImageView& image) {
    windows_.Release(record_);
    image_ = image;
    selection_ = Rect{0, 0, Side(image.height), Side(image.width)};
    record_.imageSize = Point{Side(image.height), Side(image.width)};
    record_.wholeSize = record_.imageSize;
    record_.planes = kImagePlanes;
    record_.inLayerPlanes = kImagePlanes;
    record_.outLayerPlanes = kImagePlanes;
    record_.filterRect = selection_;
    record_.filterCase = filterCaseFlatImageNoSelection;
    record_.haveMask = 0;
}

void ProductionHost::SetSelection(Rect selection) {
    selection_ = selection;
    record_.filterRect = selection;
    record_.filterCase = filterCaseFlatImageWithSelection;
}

OSErr ProductionHost::CallSelector(std::int16_t selector) {
    gActiveHost = this;
    std::int16_t result = noErr;
    entry_(selector, &record_, &dataSlot_, &result);
    // Staged output lands when the selector returns; what was delivered is
    // not valid after it.
    windows_.Commit(image_, selection_);
    windows_.Release(record_);
    return result;
}

bool ProductionHost::RequestPending() const {
    return !RectEmpty(record_.inRect) || !RectEmpty(record_.outRect) ||
           !RectEmpty(record_.maskRect);
}

RunResult ProductionHost::Run() {
    gActiveHost = this;
    windows_.Release(record_);
    record_.inRect = record_.outRect = record_.maskRect = Rect{0, 0, 0, 0};
    record_.inLoPlane = record_.inHiPlane = record_.outLoPlane = record_.outHiPlane = 0;
    record_.inputRate = record_.maskRate = kFixedOne;
    record_.inputPadding = record_.outputPadding = record_.maskPadding =
        plugInWantsErrorOnBoundsException;

    for (const std::int16_t selector : {filterSelectorPrepare, filterSelectorStart}) {
        if (const OSErr result = CallSelector(selector); result != noErr) {
            return RunResult{result, selector};
        }
    }
    for (int calls = 0; RequestPending(); ++calls) {
        if (calls == kMaxContinueCalls) {
            protocolLog_.emplace_back("the plug-in never emptied its rectangles");
            return RunResult{filterBadParameters, filterSelectorContinue};
        }
        if (const OSErr result = Advance(); result != noErr) {
            windows_.Release(record_);
            return RunResult{result, -1};
        }
        if (const OSErr result = CallSelector(filterSelectorContinue); result != noErr) {
            return RunResult{result, filterSelectorContinue};
        }
    }
    if (const OSErr result = Advance(); result != noErr) {
        return RunResult{result, -1};
    }
    const OSErr result = CallSelector(filterSelectorFinish);
    return RunResult{result, result != noErr ? filterSelectorFinish : std::int16_t{-1}};
}

}  // namespace prodhost
