#pragma once

namespace Tessel {

// The UI framework's application object. The service has no window: it needs of the
// framework only its per-process start, one application object, and the release of the
// framework's deferred objects at the end.
class CApplication {
public:
    explicit CApplication(void* resources);
    virtual ~CApplication();
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;
};

// The framework's per-process start; a second call does nothing.
void StartFramework();
// Releases the objects whose destruction the framework deferred.
void ReleaseDeferredObjects();

}  // namespace Tessel
