// Work that may be handed to other threads: a few independent tasks at a
// time, one per colour channel. The plug-in runs them one after another and
// starts no thread (its hosts expect none); a program that links the
// analysis itself (the engine) may install a runner that spreads them over
// threads. Each task writes only outputs of its own, in the same order as it
// would alone, so the results never depend on the runner.
#pragma once

#include <cstdint>

namespace mirtane {

using TaskBody = void (*)(void* context, std::int32_t index);
// Runs body(context, 0) ... body(context, count - 1), each once, and returns
// when all are done.
using TaskRunner = void (*)(std::int32_t count, TaskBody body, void* context);

// Installs `runner` for every later RunTasks of the process; null restores
// running them one after another.
void InstallTaskRunner(TaskRunner runner);

// True when a runner is installed: callers that need separate working
// storage for tasks run side by side make it only then.
bool TasksRunSideBySide();

void RunTasks(std::int32_t count, TaskBody body, void* context);

// RunTasks over a callable taking the task's index.
template <typename Body>
void RunEachTask(std::int32_t count, Body& body) {
    RunTasks(
        count, [](void* context, std::int32_t index) { (*static_cast<Body*>(context))(index); },
        &body);
}

}  // namespace mirtane
