// The host the mirtane command runs the plug-in in. It does what a host must
// and nothing for checking: pixels are exchanged through pointers into the
// document (PixelWindows.h), the plug-in's buffers come from a pool reused
// across the run (BufferPool.h), and nothing is recorded or filled. Handles
// live in the host kit's table, as the test host's do, so the test host's
// scripting services (ScriptingHost) attach to this host too.
//
// Callbacks of the interface carry no context: the host made or running
// last answers them, one host at a time per process.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "hosts/kit/HostHandles.h"
#include "hosts/kit/RecordSuites.h"
#include "hosts/kit/ScriptingSeat.h"
#include "hosts/prodhost/BufferPool.h"
#include "hosts/prodhost/PixelWindows.h"
#include "pluginapi/FilterRecord.h"
#include "pluginapi/PluginConstants.h"

namespace prodhost {

using ProgressListener = std::function<void(std::int32_t done, std::int32_t total)>;

struct RunResult {
    OSErr result = noErr;
    std::int16_t failedSelector = -1;  // -1 when none failed or the host's own advance failed
};

class ProductionHost : public hostkit::ScriptingSeat {
  public:
    explicit ProductionHost(PluginEntryProc entry);
    ~ProductionHost();
    ProductionHost(const ProductionHost&) = delete;
    ProductionHost& operator=(const ProductionHost&) = delete;

    // The document, edited in place; it must outlive the runs. The whole
    // image is the filter rectangle (filterCase 1) until SetSelection.
    void SetImage(const ImageView& image);
    void SetSelection(Rect selection);
    void SetProgressListener(ProgressListener listener) { progress_ = std::move(listener); }
    FilterRecord& record() { return record_; }

    // prepare, start, then continue while any rectangle is not empty, then
    // finish, as hosts run a filter; stops at the first selector that fails
    // (finish is not called after a failed start or continue). A plug-in
    // that never empties its rectangles is stopped with filterBadParameters.
    RunResult Run();

    // Scripting services attach here (testhost::ScriptingHost).
    void SetDescriptorParameters(PIDescriptorParameters* parameters) override {
        record_.descriptorParameters = parameters;
    }
    void SetBasicSuite(SPBasicSuite* suite) override { record_.sSPBasic = suite; }
    hostkit::HandleTable& handles() override { return handles_; }

    const BufferPool& pool() const { return pool_; }
    // Handles and buffers the plug-in left behind, and calls the host refused.
    int LiveHandles() const { return handles_.LiveCount(); }
    int LiveBuffers() const { return pool_.BlocksLent(); }
    const std::vector<std::string>& protocolErrors() const { return protocolLog_; }

    static ProductionHost* Active();

  private:
    friend struct ProductionCallbacks;

    void FillRecord();
    OSErr CallSelector(std::int16_t selector);
    bool RequestPending() const;
    OSErr Advance() { return windows_.Advance(record_, image_, selection_); }

    PluginEntryProc entry_;
    FilterRecord record_{};
    hostkit::RecordSuites suites_;
    std::intptr_t dataSlot_ = 0;
    std::intptr_t watchSuspension_ = 0;

    ImageView image_;
    Rect selection_{0, 0, 0, 0};
    ProgressListener progress_;
    BufferPool pool_;
    PixelWindows windows_;
    std::vector<std::string> protocolLog_;
    hostkit::HandleTable handles_;
};

}  // namespace prodhost
