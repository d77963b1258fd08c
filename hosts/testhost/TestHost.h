// A host of the filter plug-in interface over an in-memory 8-bit image, for
// tests, for the command-line tool and (built for Windows) mirtane-host.exe.
//
// It fills a filter record as a host does, serves advanceState (see
// AdvanceState.h), provides handle, buffer and property procedures that count
// what is live, records progress and abort calls, runs whole filter runs and
// injects faults. Callbacks of the interface carry no context, so the host
// whose selector is running (or, between selectors, the one made or used
// last) answers them: one host at a time per process.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "hosts/kit/HostHandles.h"
#include "hosts/kit/Image.h"
#include "hosts/kit/RecordSuites.h"
#include "hosts/kit/ScriptingSeat.h"
#include "hosts/testhost/AdvanceState.h"
#include "hosts/testhost/FaultInjector.h"
#include "hosts/testhost/HostBuffers.h"
#include "hosts/testhost/HostProfiles.h"
#include "pluginapi/FilterRecord.h"
#include "pluginapi/PluginConstants.h"

namespace testhost {

using hostkit::HandleTable;
using hostkit::Image;
using hostkit::ScriptingSeat;

// One advanceState call of the plug-in: the request as the record held it.
struct Request {
    Rect inRect;
    Rect outRect;
    Rect maskRect;
    std::int16_t inLoPlane;
    std::int16_t inHiPlane;
    std::int16_t outLoPlane;
    std::int16_t outHiPlane;
    Fixed inputRate;
    Fixed maskRate;
    std::int16_t inputPadding;
    std::int16_t outputPadding;
    OSErr result;  // what advanceState answered
};

struct SelectorCall {
    std::int16_t selector;
    OSErr result;
};

struct RunOptions {
    bool callParameters = false;  // the parameters selector before prepare
    // A plug-in that never empties its rectangles ends the run after this
    // many continue calls, with filterBadParameters and a protocol error.
    int maxContinueCalls = 100000;
};

struct RunResult {
    OSErr result = noErr;
    std::int16_t failedSelector = -1;  // -1 when none failed
};

class TestHost : public ScriptingSeat {
  public:
    // Natively `entry` is &PluginMain; on Windows it comes from GetProcAddress.
    explicit TestHost(PluginEntryProc entry);
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    // ---- The document -----------------------------------------------------
    // Sets the image and refills the document fields of the record: sizes,
    // planes, the whole image as filterRect, filterCase 1, no mask. Sides
    // beyond 32767 cannot be described to a plug-in and are clamped.
    void SetImage(Image image);
    Image& image() { return document_.image; }
    const Image& image() const { return document_.image; }
    // A rectangular selection: filterRect and filterCase 2. Output lands
    // only inside it.
    void SetSelection(Rect selection);
    // A per-pixel selection mask of width * height bytes: haveMask and
    // autoMask are set and maskData is delivered on request. An empty vector
    // removes the mask.
    void SetMask(std::vector<std::uint8_t> mask);
    // Tests may change any field (imageMode, planes, inLayerPlanes,
    // filterCase, tile sizes...) before calling selectors.
    FilterRecord& record() { return record_; }
    void SetScreenlessHostWindow(void* hwnd) { suites_.platform.hwnd = hwnd; }

    // ---- Options -----------------------------------------------------------
    void SetBufferProcsEnabled(bool enabled);
    void SetPropertyProcsEnabled(bool enabled);
    void SetRowPadding(int extraBytes) {
        exchangeOptions_.rowPadding = extraBytes < 0 ? 0 : extraBytes;
    }
    void SetSampling(Sampling sampling) { exchangeOptions_.sampling = sampling; }
    // Takes on the habits of a host profile (HostProfiles.h) for every later
    // selector call; HostQuirks{} is the well-behaved host. Services the
    // quirks remove stay removed whatever the setters below are given.
    void SetHostQuirks(const HostQuirks& quirks);
    const HostQuirks& hostQuirks() const { return quirks_; }
    // '8BIM' (the default) accepts the 'wtch' property; any other signature
    // answers errPlugInPropertyUndefined.
    void SetHostSignature(OSType signature) { record_.hostSig = signature; }
    // Bytes the buffer procedures may hand out in total (maxSpace too).
    void SetBufferCapacity(std::int32_t bytes);

    // Scripting and drawing. Null switches a service off; the scripting and
    // dialog support (Scripting*.cpp, displayPixels) plug in here.
    void SetDescriptorParameters(PIDescriptorParameters* parameters) override {
        record_.descriptorParameters = parameters;
    }
    void SetBasicSuite(SPBasicSuite* suite) override { record_.sSPBasic = suite; }
    void SetDisplayPixels(DisplayPixelsProc proc) { record_.displayPixels = proc; }

    // ---- Driving the plug-in -----------------------------------------------
    // One PluginMain call with the result preset to 0; the data slot is kept
    // between calls. Selector 0 passes an AboutRecord. Output the plug-in
    // left in outData is written back when the call returns.
    OSErr CallSelector(std::int16_t selector);
    // [parameters], prepare, start, then while any of inRect, outRect and
    // maskRect is not empty: deliver the request and call continue; then a
    // last delivery and finish. Stops after the first selector that fails
    // (so finish is not called after a failed start or continue). A run
    // begins with empty rectangles, rates of 1.0 and paddings of -3; other
    // fields keep what the tests or an earlier run left. A failed delivery
    // of the host's own (between continue calls) ends the run with its code
    // and failedSelector -1.
    RunResult Run(const RunOptions& options = {});

    // ---- Fault injection ---------------------------------------------------
    // The nth call of the kind (1-based, counted from now) fails with `code`
    // (newProc and the two lockProcs return null instead); for Abort,
    // abortProc reports cancel from its nth call on.
    void InjectFault(FaultKind kind, int nth, OSErr code = memFullErr);
    void ClearFaults() { faults_.Clear(); }
    int CallCount(FaultKind kind) const { return faults_.CallCount(kind); }

    // ---- What the plug-in did ----------------------------------------------
    const std::vector<Request>& requests() const { return requests_; }
    const std::vector<std::pair<std::int32_t, std::int32_t>>& progress() const { return progress_; }
    int abortCalls() const { return abortCalls_; }
    // Every setPropertyProc call, accepted or not: (key, simple value).
    std::vector<std::pair<PIType, std::intptr_t>> propertiesSet() const { return propertiesSet_; }
    // The watch-cursor suspension the plug-in last set through 'wtch'.
    std::intptr_t watchSuspension() const { return watchSuspension_; }
    const std::vector<SelectorCall>& selectorCalls() const { return selectorCalls_; }
    // Misuse seen by the host: unknown handles or buffers, runaway runs.
    const std::vector<std::string>& protocolErrors() const { return protocolLog_; }
    // Forgets everything recorded above (not the live handles and buffers).
    void ClearLog();

    // ---- What is still live --------------------------------------------------
    int LiveHandles() const { return handles_.LiveCount(); }
    int LiveHandleLocks() const { return handles_.LockCount(); }
    int LiveBuffers() const { return buffers_.LiveCount(); }
    int LiveBufferLocks() const { return buffers_.LockCount(); }
    // One line per handle or buffer left over; empty when nothing is.
    std::string LeakReport() const;

    Handle parametersHandle() const { return record_.parameters; }
    std::intptr_t dataSlot() const { return dataSlot_; }
    void SetDataSlot(std::intptr_t value) { dataSlot_ = value; }
    HandleTable& handles() override { return handles_; }
    BufferTable& buffers() { return buffers_; }

    // The host answering callbacks now (null when none).
    static TestHost* Active();

  private:
    friend struct HostCallbacks;

    void FillRecord();
    void ApplyQuirksToRecord();
    void Activate();
    void FinishSelector();
    void ResetRequestState();
    bool RequestPending() const;
    OSErr HostAdvance();

    // Callback work, reached through HostCallbacks.
    OSErr OnAdvanceState();
    Boolean OnAbort();
    void OnProgress(std::int32_t done, std::int32_t total);
    OSErr OnSetProperty(PIType signature, PIType key, std::int32_t index, std::intptr_t simple,
                        Handle complex);
    OSErr OnGetProperty(PIType signature, PIType key, std::int32_t index, std::intptr_t* simple,
                        Handle* complex);

    PluginEntryProc entry_;
    FilterRecord record_{};
    hostkit::RecordSuites suites_;
    std::intptr_t dataSlot_ = 0;

    Document document_;
    PixelExchange exchange_;
    ExchangeOptions exchangeOptions_;
    HostQuirks quirks_;
    // What a host with descriptor parameters but no procedures hands out.
    PIDescriptorParameters bareScripting_{};
    std::vector<std::string> protocolLog_;
    FaultInjector faults_;
    HandleTable handles_;
    BufferTable buffers_;

    std::vector<Request> requests_;
    std::vector<std::pair<std::int32_t, std::int32_t>> progress_;
    std::vector<std::pair<PIType, std::intptr_t>> propertiesSet_;
    std::vector<SelectorCall> selectorCalls_;
    std::intptr_t watchSuspension_ = 0;
    int abortCalls_ = 0;
};

}  // namespace testhost
