#include "ThumbMetaLib/engine/TMLInitParams.h"

#include <cstring>
#include <new>

namespace ThumbMetaLib {
namespace {

OwnedCString CopyCString(const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy == nullptr) {
        throw std::bad_alloc();
    }
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return OwnedCString(copy, &std::free);
}

}  // namespace

TMLInitParams::TMLInitParams(TMLInitParams&& other) noexcept
    : hostHandle(other.hostHandle),
      pluginFolder(std::move(other.pluginFolder)),
      presetsFolder(std::move(other.presetsFolder)),
      loadPlugins(other.loadPlugins),
      applicationPath(std::move(other.applicationPath)),
      applicationName(std::move(other.applicationName)),
      pluginLoaderArgs{other.pluginLoaderArgs[0], other.pluginLoaderArgs[1]} {
    other.hostHandle = nullptr;
    other.loadPlugins = 0;
    other.pluginLoaderArgs[0] = other.pluginLoaderArgs[1] = 0;
}

TMLInitParams::~TMLInitParams() {
    applicationName.reset();
    applicationPath.reset();
    presetsFolder.reset();
    pluginFolder.reset();
}

TMLInitParams TMLInitParams::ForService(void* hostHandle, const std::string& folder,
                                        const std::string& applicationName) {
    TMLInitParams params;
    params.hostHandle = hostHandle;
    params.pluginFolder = CopyCString(folder);
    params.presetsFolder = CopyCString(folder);
    params.applicationPath = CopyCString(folder);
    params.applicationName = CopyCString(applicationName);
    return params;
}

}  // namespace ThumbMetaLib
