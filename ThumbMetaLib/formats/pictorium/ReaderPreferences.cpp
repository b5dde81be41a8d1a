#include "ThumbMetaLib/formats/pictorium/ReaderPreferences.h"

#include <sys/stat.h>

#include <cstring>
#include <mutex>

#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib {
namespace {

constexpr int kDebug = 4;

// The default text of a localisation key: what follows its '='.
std::string DefaultText(const char* key) {
    const char* equals = std::strchr(key, '=');
    return equals != nullptr ? std::string(equals + 1) : std::string(key);
}

std::string SubFolder(const char* folder, const char* key) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    return path + DefaultText(key);
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

struct ReaderState {
    std::mutex lock;
    bool started = false;
};

ReaderState& State() {
    static ReaderState* state = new ReaderState();  // used until the process ends
    return *state;
}

}  // namespace

ReaderPreferences BuildReaderPreferences(const TMLInitParams* params) {
    ReaderPreferences preferences;
    if (params == nullptr) {
        return preferences;
    }
    if (params->presetsFolder) {
        for (const char* key : {kPresetsFolderKey, kColorBooksFolderKey}) {
            std::string path = SubFolder(params->presetsFolder.get(), key);
            if (IsFolder(path)) {
                preferences.extraPresetsPaths.push_back(std::move(path));
            }
        }
    }
    if (params->pluginFolder) {
        preferences.pluginFolder = SubFolder(params->pluginFolder.get(), kPlugInsFolderKey);
    }
    return preferences;
}

void StartLayeredReader() {
    ReaderState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.started) {
        return;
    }
    const std::shared_ptr<const TMLInitParams> params = CurrentInitParams();
    const ReaderPreferences p = BuildReaderPreferences(params.get());
    using kvfoundation::util::LogFormat;
    LogFormat(kDebug,
              "Layered: reader started: memoryUsagePercent %d, freeUnusedVMOnLastImage %d, "
              "delayScratchDiskAllocation %d, pluginFolder '%s'",
              p.memoryUsagePercent, int(p.freeUnusedVMOnLastImage),
              int(p.delayScratchDiskAllocation), p.pluginFolder.c_str());
    for (const std::string& path : p.extraPresetsPaths) {
        LogFormat(kDebug, "Layered: extraPresetsPaths '%s'", path.c_str());
    }
    state.started = true;
}

void ShutdownLayeredReader() {
    ReaderState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.started) {
        kvfoundation::util::LogFormat(kDebug, "Layered: reader shut down");
        state.started = false;
    }
}

bool LayeredReaderStarted() {
    ReaderState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.started;
}

}  // namespace ThumbMetaLib
