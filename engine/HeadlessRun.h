// What every in-process run of the plug-in needs around it: the headless
// platform reset to its defaults (its dialog handler, its recorded message
// boxes) for the run and afterwards, and the reason a failed run gives.
#pragma once

#include <string>

#include "run/HostState.h"  // the interface's result codes

namespace mirtane::engine {

// Resets the headless platform and keeps its message boxes off the
// terminal for its lifetime; resets it again when it goes.
class HeadlessSession {
  public:
    HeadlessSession();
    ~HeadlessSession();
    HeadlessSession(const HeadlessSession&) = delete;
    HeadlessSession& operator=(const HeadlessSession&) = delete;
};

// The reason a run failed, in one line: the last message box the plug-in
// showed, else the meaning of its result code. `task` names what the run
// was for ("analyse", "restore").
std::string RunFailureReason(OSErr result, const std::string& task);

}  // namespace mirtane::engine
