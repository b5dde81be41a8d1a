#pragma once

// Test helpers: files made with the installed tools, and a private set of thumbnailer
// folders in which tests install thumbnailers of their own.
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ThumbMetaLib/tests/TempFolder.h"

namespace ThumbMetaLib::test {

// Runs a command line of the test itself (never the code under test) and tells whether it
// succeeded.
inline bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

inline std::string WriteScript(const TempFolder& folder, const std::string& name,
                               const std::string& body) {
    const std::string path = folder.Write(name, "#!/bin/sh\n" + body + "\n");
    chmod(path.c_str(), 0755);
    return path;
}

// A thumbnailer file `name`.thumbnailer in `folder`/thumbnailers.
inline void InstallThumbnailer(const TempFolder& folder, const std::string& name,
                               const std::string& exec, const std::string& mimeTypes,
                               const std::string& tryExec = "") {
    std::filesystem::create_directories(folder.File("thumbnailers"));
    std::string text = "[Thumbnailer Entry]\n";
    if (!tryExec.empty()) {
        text += "TryExec=" + tryExec + "\n";
    }
    text += "Exec=" + exec + "\nMimeType=" + mimeTypes + "\n";
    folder.Write("thumbnailers/" + name + ".thumbnailer", text);
}

inline size_t EntriesIn(const std::string& folder) {
    std::error_code error;
    size_t count = 0;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        ++count;
    }
    return count;
}

}  // namespace ThumbMetaLib::test
