#include "kvloom/tessel/CApplication.h"

namespace Tessel {

// On Linux there is no display-scaling mode to declare and no window class to register, so
// the framework's start and its deferred-object list have nothing to hold.
CApplication::CApplication(void*) {}
CApplication::~CApplication() = default;

void StartFramework() {}
void ReleaseDeferredObjects() {}

}  // namespace Tessel
