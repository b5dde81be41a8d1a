#pragma once

// Test helpers of the 3D route: the real and fake render servers, the share of the frame a
// render covers, and the service's child processes as /proc lists them.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ThumbMetaLib/formats/model3d/Render3DLoom.h"
#include "ThumbMetaLib/formats/model3d/Render3DServerPath.h"
#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib::test {

// Points the engine at a server for one test; stops it (as Terminate does) at the end.
class ServerOverride {
public:
    explicit ServerOverride(const std::string& executable, Render3DLimits limits = {}) {
        Render3DLoom::Process().Terminate();
        Render3DLoom::Process().SetLimits(limits);
        setenv(kRender3DServerVariable, executable.c_str(), 1);
    }
    ~ServerOverride() {
        Render3DLoom::Process().Terminate();
        Render3DLoom::Process().SetLimits({});
        unsetenv(kRender3DServerVariable);
    }
    ServerOverride(const ServerOverride&) = delete;
    ServerOverride& operator=(const ServerOverride&) = delete;
};

// The real server, built beside the tests.
inline std::string RealServer() {
    return VANTORY_RENDER3D_TEST_SERVER;
}

// A /bin/sh script made executable, for fake servers.
inline std::string WriteScript(const std::string& path, const std::string& body) {
    std::ofstream(path) << "#!/bin/sh\n" << body;
    chmod(path.c_str(), 0755);
    return path;
}

// The share of pixels that are not (near) white: the model's silhouette on the background.
inline double SilhouetteShare(const Pixels& pixels) {
    size_t covered = 0;
    for (uint32_t y = 0; y < pixels.Height(); ++y) {
        const uint8_t* row = pixels.Bytes() + size_t(y) * pixels.RowBytes();
        for (uint32_t x = 0; x < pixels.Width(); ++x) {
            const uint8_t* p = row + size_t(x) * pixels.Channels();
            covered += (p[0] < 245 || p[1] < 245 || p[2] < 245) ? 1 : 0;
        }
    }
    return double(covered) / (double(pixels.Width()) * pixels.Height());
}

struct ChildProcess {
    pid_t pid;
    char state;        // 'Z' for a zombie
    std::string name;  // the kernel's command name
};

// The processes whose parent is this one.
inline std::vector<ChildProcess> Children() {
    std::vector<ChildProcess> children;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) {
        return children;
    }
    while (dirent* entry = readdir(proc)) {
        const pid_t pid = pid_t(std::atoi(entry->d_name));
        if (pid <= 0) {
            continue;
        }
        // Plain reads: a process that ends meanwhile fails them (ESRCH) without an exception.
        std::string stat(512, '\0');
        std::FILE* file =
            std::fopen((std::string("/proc/") + entry->d_name + "/stat").c_str(), "r");
        if (file == nullptr) {
            continue;
        }
        stat.resize(std::fread(stat.data(), 1, stat.size(), file));
        std::fclose(file);
        const size_t open = stat.find('(');
        const size_t close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos) {
            continue;
        }
        std::istringstream rest(stat.substr(close + 2));
        char state = 0;
        pid_t parent = 0;
        rest >> state >> parent;
        if (parent == getpid()) {
            children.push_back({pid, state, stat.substr(open + 1, close - open - 1)});
        }
    }
    closedir(proc);
    return children;
}

}  // namespace ThumbMetaLib::test
