#pragma once

#include <string>
#include <vector>

namespace ThumbMetaLib::shell {

// Where the thumbnailer finds its files. Inside the sandbox the output folder is /tmp and the
// input a read-only file in it that keeps the original's extension (some thumbnailers look at
// it); without the sandbox they are the real paths.
struct ThumbnailerView {
    std::string inputPath;
    std::string outputFolder;
};

// The bubblewrap command line that runs `program` the way desktop thumbnail factories do:
// /usr (and the few system links and files a program needs to start) read-only, the input
// file read-only, a fresh output folder the only writable place, a program outside /usr bound
// read-only at its own path, no network or other shared namespace, a new session, a clean
// environment, and the sandbox dying with us. Ends with "--": the program's arguments follow.
std::vector<std::string> SandboxCommand(const std::string& bwrap, const std::string& program,
                                        const std::string& input, const std::string& outputFolder,
                                        ThumbnailerView& view);

// The environment of a thumbnailer run without the sandbox (inside, bwrap sets its own).
std::vector<std::string> PlainEnvironment(const std::string& outputFolder);

// Whether bubblewrap at `bwrap` (empty: found on $PATH) can build that sandbox on this
// machine; some containers forbid the namespaces it needs. Probed once per path, by running a
// harmless program in exactly that sandbox. When it cannot, this is logged once at level 2.
// Returns the absolute path of a working bwrap, or empty.
std::string WorkingSandbox(const std::string& bwrap);

}  // namespace ThumbMetaLib::shell
