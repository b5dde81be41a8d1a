#pragma once

#include <cstdint>

// The interface broker through which the engine binds the function tables of its libraries.
// On Linux the engine links its libraries directly, so the broker only keeps its contract:
// a version, a start with an error callback that yields a handle, and a stop.
namespace yarb {

using ErrorCallback = void (*)(const char* message);
using Handle = void*;

// The broker's version; the top bit is a flag, not part of the number.
uint32_t Version();
// Null when the broker cannot start.
Handle Start(ErrorCallback onError);
void Terminate(Handle handle);

}  // namespace yarb
