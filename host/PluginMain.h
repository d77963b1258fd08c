// The plug-in's entry point as the host interface calls it. The DLL exports
// it; the command, the engine, the benchmarks and the tests link the plug-in
// in and call it through their hosts, declaring it from here so that every
// caller agrees with the definition.
#pragma once

#include <cstdint>

#include "pluginapi/PluginTypes.h"

#if defined(_WIN32)
#define MIRTANE_EXPORT __declspec(dllexport)
#else
#define MIRTANE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" MIRTANE_EXPORT void PI_CDECL PluginMain(std::int16_t selector, void* record,
                                                   std::intptr_t* data, std::int16_t* result);
