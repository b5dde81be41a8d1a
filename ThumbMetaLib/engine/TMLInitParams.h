#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace ThumbMetaLib {

// A heap C string owned by the engine's start-up record.
using OwnedCString = std::unique_ptr<char, decltype(&std::free)>;

// The engine's start-up record. Initialize takes it over (moving out of the caller's copy,
// which is left empty) and keeps it for the life of the process in one engine-wide slot.
struct TMLInitParams {
    TMLInitParams() = default;
    TMLInitParams(TMLInitParams&& other) noexcept;
    TMLInitParams& operator=(TMLInitParams&&) = delete;
    TMLInitParams(const TMLInitParams&) = delete;
    // Releases the strings in the order application name, application path, presets folder,
    // plug-in folder.
    ~TMLInitParams();

    // What the service passes: its folder three times (separate copies), no plug-ins, and its
    // application name.
    static TMLInitParams ForService(void* hostHandle, const std::string& folder,
                                    const std::string& applicationName);

    void* hostHandle = nullptr;  // handed to the libraries' start steps
    OwnedCString pluginFolder{nullptr, &std::free};
    OwnedCString presetsFolder{nullptr, &std::free};  // holds "Presets" and "Color Books"
    int32_t loadPlugins = 0;  // non-zero: the plug-in host loads file-format plug-ins
    OwnedCString applicationPath{nullptr, &std::free};
    OwnedCString applicationName{nullptr, &std::free};  // looks up the colour settings
    uint32_t pluginLoaderArgs[2] = {0, 0};              // read only when loadPlugins is non-zero
};

// The record Initialize took over; empty before.
std::shared_ptr<const TMLInitParams> CurrentInitParams();

}  // namespace ThumbMetaLib
