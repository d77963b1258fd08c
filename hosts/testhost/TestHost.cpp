#include "hosts/testhost/TestHost.h"

#include <algorithm>
#include <cstring>

#include "hosts/testhost/HostCallbacks.h"

namespace testhost {
namespace {

TestHost* gActiveHost = nullptr;

constexpr std::int32_t kDefaultBufferCapacity = 1 << 30;

std::int16_t Side(int value) { return static_cast<std::int16_t>(std::clamp(value, 0, 32767)); }

Rect WholeImage(const Image& image) { return Rect{0, 0, Side(image.height), Side(image.width)}; }

// Bounding box of the selected (non-zero) mask pixels; empty when none is.
Rect MaskBounds(const std::vector<std::uint8_t>& mask, int width, int height) {
    int top = height, left = width, bottom = 0, right = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (mask[static_cast<std::size_t>(y) * width + x] != 0) {
                top = std::min(top, y);
                left = std::min(left, x);
                bottom = std::max(bottom, y + 1);
                right = std::max(right, x + 1);
            }
        }
    }
    if (bottom == 0) {
        return Rect{0, 0, 0, 0};
    }
    return Rect{Side(top), Side(left), Side(bottom), Side(right)};
}

}  // namespace

TestHost* TestHost::Active() { return gActiveHost; }

TestHost::TestHost(PluginEntryProc entry)
    : entry_(entry), handles_(protocolLog_, &faults_), buffers_(faults_, protocolLog_) {
    FillRecord();
    Activate();
}

TestHost::~TestHost() {
    exchange_.Release(record_);
    if (gActiveHost == this) {
        gActiveHost = nullptr;
    }
}

void TestHost::Activate() { gActiveHost = this; }

// The record as a host fills it before the first selector: zeroed, the
// callbacks and suites in place, tile sizes left 0, paddings at "error on
// out-of-bounds" until the plug-in chooses, integral sampling offered.
void TestHost::FillRecord() {
    hostkit::ConnectRecord<HostCallbacks>(record_, suites_);
    record_.maxSpace = kDefaultBufferCapacity;
    buffers_.SetCapacity(kDefaultBufferCapacity);

    SetImage(Image{});
}

void TestHost::SetImage(Image image) {
    exchange_.Release(record_);
    document_.image = std::move(image);
    document_.mask.clear();
    document_.selection = WholeImage(document_.image);
    const Image& current = document_.image;
    record_.imageSize = Point{Side(current.height), Side(current.width)};
    record_.wholeSize = record_.imageSize;
    record_.planes = static_cast<std::int16_t>(current.planes);
    record_.inLayerPlanes = static_cast<std::int16_t>(current.planes);
    record_.outLayerPlanes = static_cast<std::int16_t>(current.planes);
    record_.filterRect = document_.selection;
    record_.filterCase = filterCaseFlatImageNoSelection;
    record_.haveMask = 0;
}

void TestHost::SetSelection(Rect selection) {
    document_.selection = selection;
    record_.filterRect = selection;
    record_.filterCase = filterCaseFlatImageWithSelection;
}

void TestHost::SetMask(std::vector<std::uint8_t> mask) {
    const Image& image = document_.image;
    if (mask.empty()) {
        document_.mask.clear();
        record_.haveMask = 0;
        return;
    }
    if (mask.size() !=
        static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height)) {
        protocolLog_.emplace_back("SetMask: the mask does not match the image size; ignored");
        return;
    }
    SetSelection(MaskBounds(mask, image.width, image.height));
    document_.mask = std::move(mask);
    record_.haveMask = 1;
    record_.autoMask = 1;
}

void TestHost::SetBufferProcsEnabled(bool enabled) {
    record_.bufferProcs = enabled ? &suites_.buffers : nullptr;
}

void TestHost::SetPropertyProcsEnabled(bool enabled) {
    record_.propertyProcs = enabled ? &suites_.properties : nullptr;
}

void TestHost::SetBufferCapacity(std::int32_t bytes) {
    buffers_.SetCapacity(bytes);
    record_.maxSpace = bytes;
}

void TestHost::SetHostQuirks(const HostQuirks& quirks) {
    quirks_ = quirks;
    exchangeOptions_.planeZeroOnly = quirks.planeZeroOnly;
    exchangeOptions_.refillOnRectChange = quirks.refillOnRectChange;
    exchangeOptions_.blueGreenRed = quirks.blueGreenRed;
    exchangeOptions_.bytesPerPixel = quirks.bytesPerPixel;
    handles_.SetMovesBlocks(quirks.movingHandles);
    if (quirks.setSignature) {
        record_.hostSig = quirks.signature;
    }
}

// The quirks that take services away or fill fields are laid over the
// record before every selector, so that setters called later cannot undo
// them.
void TestHost::ApplyQuirksToRecord() {
    if (quirks_.noScripting) {
        record_.descriptorParameters = nullptr;
        record_.sSPBasic = nullptr;
    }
    if (quirks_.nullOptionalCallbacks) {
        record_.abortProc = nullptr;
        record_.progressProc = nullptr;
        record_.displayPixels = nullptr;
        record_.bufferProcs = nullptr;
        record_.sSPBasic = nullptr;
        bareScripting_ = PIDescriptorParameters{};
        bareScripting_.descriptorParametersVersion = 1;
        bareScripting_.playInfo = plugInDialogDisplay;
        bareScripting_.recordInfo = plugInDialogOptional;
        record_.descriptorParameters = &bareScripting_;
    }
    if (quirks_.nullAdvanceState) {
        record_.advanceState = nullptr;
    }
    if (quirks_.wholeImageTiles) {
        const std::int16_t height = Side(document_.image.height);
        const std::int16_t width = Side(document_.image.width);
        record_.inTileHeight = record_.outTileHeight = record_.absTileHeight = height;
        record_.inTileWidth = record_.outTileWidth = record_.absTileWidth = width;
        record_.supportsPadding = 0;
    }
}

void TestHost::InjectFault(FaultKind kind, int nth, OSErr code) { faults_.Arm(kind, nth, code); }

// ---- Selectors ---------------------------------------------------------------

OSErr TestHost::CallSelector(std::int16_t selector) {
    Activate();
    ApplyQuirksToRecord();
    std::int16_t result = quirks_.presetResult ? std::int16_t{1} : noErr;
    if (selector == filterSelectorAbout) {
        AboutRecord about{};
        about.platformData = &suites_.platform;
        about.sSPBasic = record_.sSPBasic;
        about.plugInRef = record_.plugInRef;
        entry_(selector, &about, &dataSlot_, &result);
    } else {
        entry_(selector, &record_, &dataSlot_, &result);
    }
    FinishSelector();
    selectorCalls_.push_back(SelectorCall{selector, result});
    return result;
}

// What the plug-in left in outData lands in the document when its selector
// returns; the delivered areas are not valid after it.
void TestHost::FinishSelector() {
    exchange_.Commit(record_, document_);
    exchange_.Release(record_);
}

// A run starts as a fresh record would: nothing requested, full
// resolution, and the paddings back at "error on out-of-bounds".
void TestHost::ResetRequestState() {
    exchange_.Release(record_);
    record_.inRect = record_.outRect = record_.maskRect = Rect{0, 0, 0, 0};
    record_.inLoPlane = record_.inHiPlane = record_.outLoPlane = record_.outHiPlane = 0;
    record_.inputRate = kFixedOne;
    record_.maskRate = kFixedOne;
    record_.inputPadding = plugInWantsErrorOnBoundsException;
    record_.outputPadding = plugInWantsErrorOnBoundsException;
    record_.maskPadding = plugInWantsErrorOnBoundsException;
}

bool TestHost::RequestPending() const {
    return !RectEmpty(record_.inRect) || !RectEmpty(record_.outRect) ||
           !RectEmpty(record_.maskRect);
}

OSErr TestHost::HostAdvance() { return exchange_.Advance(record_, document_, exchangeOptions_); }

RunResult TestHost::Run(const RunOptions& options) {
    Activate();
    ResetRequestState();

    const auto failed = [](OSErr result, std::int16_t selector) {
        return RunResult{result, selector};
    };
    if (options.callParameters) {
        if (const OSErr result = CallSelector(filterSelectorParameters); result != noErr) {
            return failed(result, filterSelectorParameters);
        }
    }
    for (const std::int16_t selector : {filterSelectorPrepare, filterSelectorStart}) {
        if (const OSErr result = CallSelector(selector); result != noErr) {
            return failed(result, selector);
        }
    }
    int continueCalls = 0;
    while (RequestPending()) {
        if (continueCalls == options.maxContinueCalls) {
            protocolLog_.emplace_back("the plug-in never emptied its rectangles");
            return failed(filterBadParameters, filterSelectorContinue);
        }
        if (const OSErr result = HostAdvance(); result != noErr) {
            exchange_.Release(record_);
            return failed(result, -1);
        }
        ++continueCalls;
        if (const OSErr result = CallSelector(filterSelectorContinue); result != noErr) {
            return failed(result, filterSelectorContinue);
        }
    }
    if (const OSErr result = HostAdvance(); result != noErr) {
        return failed(result, -1);
    }
    const OSErr result = CallSelector(filterSelectorFinish);
    return RunResult{result, result != noErr ? filterSelectorFinish : std::int16_t{-1}};
}

// ---- Callback work -------------------------------------------------------------

OSErr TestHost::OnAdvanceState() {
    Request request{record_.inRect,       record_.outRect,       record_.maskRect,
                    record_.inLoPlane,    record_.inHiPlane,     record_.outLoPlane,
                    record_.outHiPlane,   record_.inputRate,     record_.maskRate,
                    record_.inputPadding, record_.outputPadding, noErr};
    if (faults_.NextCallFails(FaultKind::AdvanceState)) {
        // The previous output was complete; only the new request fails.
        exchange_.Commit(record_, document_);
        exchange_.Release(record_);
        request.result = faults_.Code(FaultKind::AdvanceState);
    } else {
        request.result = exchange_.Advance(record_, document_, exchangeOptions_);
    }
    requests_.push_back(request);
    return request.result;
}

Boolean TestHost::OnAbort() {
    ++abortCalls_;
    return faults_.NextCallFails(FaultKind::Abort) ? 1 : 0;
}

void TestHost::OnProgress(std::int32_t done, std::int32_t total) {
    progress_.emplace_back(done, total);
}

// ---- Records -------------------------------------------------------------------

void TestHost::ClearLog() {
    requests_.clear();
    progress_.clear();
    propertiesSet_.clear();
    selectorCalls_.clear();
    protocolLog_.clear();
    abortCalls_ = 0;
}

std::string TestHost::LeakReport() const {
    std::string report;
    handles_.AppendLeakReport(report);
    buffers_.AppendLeakReport(report);
    return report;
}

}  // namespace testhost
