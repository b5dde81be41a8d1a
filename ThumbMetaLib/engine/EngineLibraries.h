#pragma once

#include "ThumbMetaLib/engine/TMLInitParams.h"

namespace ThumbMetaLib {

// The libraries the engine brings up at Initialize, in start order. On this platform the
// graphics library, font engine, XML engine, broker hooks and broker utilities are in-project
// layers with nothing to start; their steps still run in place so that the order, the once-per-
// process guard and the debugging lines stay as the engine's start-up defines them.
enum class EngineLibrary {
    kColorEngine,
    kXMLEngine,
    kPixelRoutines,
    kGraphics,
    kFontEngine,
    kResizeKernels,
    kPluginHost,
    kBrokerUtilities,
    kRawCamera,
};
inline constexpr int kEngineLibraryCount = 9;

const char* EngineLibraryName(EngineLibrary library);

// One library's start step (called once, under the engine's start-up lock).
void StartEngineLibrary(EngineLibrary library, const TMLInitParams& params);
// One library's stop step; only libraries that started are stopped.
void StopEngineLibrary(EngineLibrary library);

}  // namespace ThumbMetaLib
