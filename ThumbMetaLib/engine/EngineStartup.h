#pragma once

#include "ThumbMetaLib/engine/TMLInitParams.h"

namespace ThumbMetaLib {

// Takes over `params` (left empty) and brings the engine's libraries up, each once per process
// under one engine-wide lock. Returns true.
bool Initialize(TMLInitParams&& params);
// Builds the colour state and registers the built-in handlers in their fixed order.
void RegisterStandardFormats();
// Shuts the handlers and libraries down in the engine's tear-down order.
void Terminate();

}  // namespace ThumbMetaLib
