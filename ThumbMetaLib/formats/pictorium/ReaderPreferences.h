#pragma once

#include <string>
#include <vector>

#include "ThumbMetaLib/engine/TMLInitParams.h"

namespace ThumbMetaLib {

// The start-up preferences of the layered-image reader. The design hands them to a closed
// library's start call; our own reader needs none of them, so the start step only builds them
// and logs what it would pass, keeping the folders it looks up and their names.
struct ReaderPreferences {
    int memoryUsagePercent = 20;
    bool freeUnusedVMOnLastImage = true;
    bool delayScratchDiskAllocation = true;
    // The "Presets" and "Color Books" sub-folders of the presets folder that exist.
    std::vector<std::string> extraPresetsPaths;
    // The "Plug-Ins" sub-folder of the plug-in folder.
    std::string pluginFolder;
};

// Folder names, from their localisation keys' default texts.
inline constexpr const char* kPresetsFolderKey = "$$$/private/Loom/Folder/Presets=Presets";
inline constexpr const char* kColorBooksFolderKey =
    "$$$/private/Loom/Folder/ColorBooks=Color Books";
inline constexpr const char* kPlugInsFolderKey = "$$$/private/Loom/Folder/PlugIns=Plug-Ins";

// The preferences for the engine's start-up record (null: no record, no folders).
ReaderPreferences BuildReaderPreferences(const TMLInitParams* params);

// Starts the reader once per process (under its own lock), logging its preferences at
// debugging level; ShutdownLayeredReader ends it once if it was started.
void StartLayeredReader();
void ShutdownLayeredReader();
bool LayeredReaderStarted();

}  // namespace ThumbMetaLib
