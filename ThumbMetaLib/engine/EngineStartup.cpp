#include "ThumbMetaLib/engine/EngineStartup.h"

#include <array>
#include <memory>
#include <mutex>

#include "ThumbMetaLib/color/ColorState.h"
#include "ThumbMetaLib/color/HuekoException.h"
#include "ThumbMetaLib/engine/EngineLibraries.h"
#include "ThumbMetaLib/engine/FormatRegistry.h"
#include "ThumbMetaLib/formats/jpeg/FBJPEGFormat.h"
#include "ThumbMetaLib/formats/scitex/FBScitexFormat.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib {
namespace {

constexpr std::array<EngineLibrary, kEngineLibraryCount> kStartOrder = {
    EngineLibrary::kColorEngine, EngineLibrary::kXMLEngine,       EngineLibrary::kPixelRoutines,
    EngineLibrary::kGraphics,    EngineLibrary::kFontEngine,      EngineLibrary::kResizeKernels,
    EngineLibrary::kPluginHost,  EngineLibrary::kBrokerUtilities, EngineLibrary::kRawCamera,
};

struct EngineState {
    std::mutex lock;  // every start and stop step runs under it
    std::array<bool, kEngineLibraryCount> started{};
    std::shared_ptr<const TMLInitParams> params;
};

EngineState& State() {
    static EngineState* state = new EngineState();  // used until the process ends
    return *state;
}

bool& Started(EngineState& state, EngineLibrary library) {
    return state.started[static_cast<size_t>(library)];
}

void StopIfStarted(EngineState& state, EngineLibrary library) {
    if (Started(state, library)) {
        StopEngineLibrary(library);
        Started(state, library) = false;
    }
}

}  // namespace

std::shared_ptr<const TMLInitParams> CurrentInitParams() {
    EngineState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.params;
}

bool Initialize(TMLInitParams&& params) {
    EngineState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    state.params = std::make_shared<const TMLInitParams>(std::move(params));
    for (EngineLibrary library : kStartOrder) {
        if (!Started(state, library)) {
            StartEngineLibrary(library, *state.params);
            Started(state, library) = true;
        }
    }
    return true;
}

void RegisterStandardFormats() {
    try {
        ColorState::Start();
    } catch (const HuekoException& error) {
        // Thumbnails still come out, without colour management.
        kvfoundation::util::LogFormat(1, "ThumbMeta: no colour state: %s", error.what());
    }
    // The fixed order: JPEG, layered raster, PDF, Scitex CT, 3D. Each handler joins here, in
    // that place, when it is built.
    Register(FBJPEGFormat::Instance());
    Register(FBScitexFormat::Instance());
}

void Terminate() {
    EngineState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    // Before the handlers: the file-backed streams, then the layered-image library, then the
    // PDF library are released here once their handlers exist.
    const FormatRegistry& registry = FormatRegistry::Process();
    for (size_t i = 0; i < registry.Count(); ++i) {
        registry.At(i)->ShutDown();
    }
    // The 3D render server is stopped here once its handler exists.
    ColorState::Terminate();
    StopIfStarted(state, EngineLibrary::kPluginHost);
    StopIfStarted(state, EngineLibrary::kGraphics);
    StopIfStarted(state, EngineLibrary::kFontEngine);
    StopIfStarted(state, EngineLibrary::kBrokerUtilities);
}

}  // namespace ThumbMetaLib
