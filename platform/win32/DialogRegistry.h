// How the Windows platform reaches the dialogs without depending on them: the
// dialogs (ui/) sit above this layer and register their entry points here
// when the plug-in's module is loaded; RunMainDialog and ShowAboutBox call
// whatever was registered.
#pragma once

#include <cstdint>

namespace mirtane::platform {

struct DialogEntries {
    std::int32_t (*runMainDialog)();
    void (*showAboutBox)(void* ownerWindow);
};

// Replaces the registered entries; null members stay unregistered.
void RegisterDialogs(const DialogEntries& entries);

}  // namespace mirtane::platform
