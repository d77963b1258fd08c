#include "analysis/Tasks.h"

#include <atomic>

namespace mirtane {

namespace {

std::atomic<TaskRunner> gRunner{nullptr};

}  // namespace

void InstallTaskRunner(TaskRunner runner) { gRunner.store(runner); }

bool TasksRunSideBySide() { return gRunner.load() != nullptr; }

void RunTasks(std::int32_t count, TaskBody body, void* context) {
    if (const TaskRunner runner = gRunner.load(); runner != nullptr) {
        runner(count, body, context);
        return;
    }
    for (std::int32_t index = 0; index < count; ++index) {
        body(context, index);
    }
}

}  // namespace mirtane
