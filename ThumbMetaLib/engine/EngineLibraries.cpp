#include "ThumbMetaLib/engine/EngineLibraries.h"

#include <system_error>

#include "ThumbMetaLib/engine/NoiseTable.h"
#include "ThumbMetaLib/pixels/ScratchMem.h"
#include "kvfoundation/util/ProcessLog.h"
#include "resize/ResizeKernels.h"

namespace ThumbMetaLib {
namespace {

using kvfoundation::util::LogFormat;

constexpr int kDebug = 4;
constexpr int kWarning = 2;
// The classic "out of memory" system error the pixel routines' check raises.
constexpr int kMemoryFullError = -108;

void StartPixelRoutines() {
    const NoiseTable& noise = PixelRoutineNoise();
    LogFormat(kDebug, "ThumbMeta: pixel routines: noise table of %d bytes, parameter %d",
              static_cast<int>(noise.Bytes().size()), NoiseTable::kRoutineParameter);
    // The memory check: the start thread's scratch buffer must exist.
    if (ScratchMem::ForThisThread().Available() == 0) {
        throw std::system_error(kMemoryFullError, std::generic_category(),
                                "ThumbMeta: the pixel routines' memory check failed");
    }
}

}  // namespace

const char* EngineLibraryName(EngineLibrary library) {
    switch (library) {
        case EngineLibrary::kColorEngine:
            return "colour engine";
        case EngineLibrary::kXMLEngine:
            return "XML engine";
        case EngineLibrary::kPixelRoutines:
            return "pixel routines";
        case EngineLibrary::kGraphics:
            return "graphics library";
        case EngineLibrary::kFontEngine:
            return "font engine";
        case EngineLibrary::kResizeKernels:
            return "resize kernels";
        case EngineLibrary::kPluginHost:
            return "plug-in host";
        case EngineLibrary::kBrokerUtilities:
            return "broker utilities";
        case EngineLibrary::kRawCamera:
            return "raw-camera handler";
    }
    return "?";
}

void StartEngineLibrary(EngineLibrary library, const TMLInitParams& params) {
    LogFormat(kDebug, "ThumbMeta: starting %s", EngineLibraryName(library));
    switch (library) {
        case EngineLibrary::kPixelRoutines:
            StartPixelRoutines();
            break;
        case EngineLibrary::kResizeKernels:
            LogFormat(kDebug, "ThumbMeta: resize kernels selected <%d>",
                      static_cast<int>(resize::ProbeAndSelect()));
            break;
        case EngineLibrary::kPluginHost:
            // File-format plug-ins have no loader on this platform; the service asks for none.
            if (params.loadPlugins != 0) {
                LogFormat(kWarning, "ThumbMeta: file-format plug-ins are not supported");
            }
            break;
        case EngineLibrary::kRawCamera:
            // The raw-camera handler comes from a plug-in suite that is never loaded.
            LogFormat(kDebug, "ThumbMeta: no raw-camera handler");
            break;
        default:
            // Colour engine (Little CMS builds its state on first use, see ColorState), XML
            // engine (Expat needs no start), graphics, font and broker layers: nothing to do.
            break;
    }
}

void StopEngineLibrary(EngineLibrary library) {
    LogFormat(kDebug, "ThumbMeta: stopping %s", EngineLibraryName(library));
}

}  // namespace ThumbMetaLib
