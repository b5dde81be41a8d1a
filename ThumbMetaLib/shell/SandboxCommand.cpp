#include "ThumbMetaLib/shell/SandboxCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>

#include "ThumbMetaLib/engine/AsciiCase.h"
#include "ThumbMetaLib/shell/ChildProcess.h"
#include "ThumbMetaLib/shell/ThumbnailerEntry.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib::shell {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSandboxOutput = "/tmp";
constexpr const char* kSandboxInputBase = "/tmp/vantory-input";

void Add(std::vector<std::string>& args, std::initializer_list<std::string> words) {
    args.insert(args.end(), words.begin(), words.end());
}

// /lib, /bin and friends are links into /usr on merged systems and folders elsewhere.
void AddSystemFolder(std::vector<std::string>& args, const std::string& folder) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(folder, error);
    if (error) {
        return;
    }
    if (fs::is_symlink(status)) {
        Add(args, {"--symlink", fs::read_symlink(folder, error).string(), folder});
    } else if (fs::is_directory(status)) {
        Add(args, {"--ro-bind", folder, folder});
    }
}

std::string SandboxInputName(const std::string& input) {
    const std::string extension = PathExtension(input);
    return extension.empty() ? std::string(kSandboxInputBase)
                             : std::string(kSandboxInputBase) + "." + extension;
}

}  // namespace

std::vector<std::string> SandboxCommand(const std::string& bwrap, const std::string& program,
                                        const std::string& input, const std::string& outputFolder,
                                        ThumbnailerView& view) {
    view.outputFolder = kSandboxOutput;
    view.inputPath = SandboxInputName(input);
    std::vector<std::string> args{bwrap};
    Add(args, {"--ro-bind", "/usr", "/usr"});
    for (const char* folder : {"/lib", "/lib32", "/lib64", "/bin", "/sbin"}) {
        AddSystemFolder(args, folder);
    }
    // The loader's cache, the links through which Debian picks among alternative libraries,
    // and the font configuration (vector formats draw text).
    Add(args, {"--ro-bind-try", "/etc/ld.so.cache", "/etc/ld.so.cache",    //
               "--ro-bind-try", "/etc/alternatives", "/etc/alternatives",  //
               "--ro-bind-try", "/etc/fonts", "/etc/fonts",                //
               "--ro-bind-try", "/var/cache/fontconfig", "/var/cache/fontconfig"});
    Add(args, {"--proc", "/proc", "--dev", "/dev", "--chdir", "/"});
    Add(args, {"--clearenv", "--setenv", "PATH", "/usr/bin:/bin", "--setenv", "HOME",
               kSandboxOutput, "--setenv", "LANG", "C.UTF-8", "--setenv", "GIO_USE_VFS", "local"});
    // The thumbnailer itself is the namespace's first process: bwrap's own reaper would be a
    // third process to start per file, and when the thumbnailer ends the kernel ends whatever
    // it left in the namespace anyway.
    Add(args, {"--unshare-all", "--as-pid-1", "--die-with-parent", "--new-session"});
    Add(args, {"--bind", outputFolder, kSandboxOutput, "--ro-bind", input, view.inputPath});
    if (!program.starts_with("/usr/")) {
        Add(args, {"--ro-bind", program, program});
    }
    args.push_back("--");
    return args;
}

std::vector<std::string> PlainEnvironment(const std::string& outputFolder) {
    return {"PATH=/usr/local/bin:/usr/bin:/bin", "HOME=" + outputFolder, "LANG=C.UTF-8",
            "GIO_USE_VFS=local"};
}

std::string WorkingSandbox(const std::string& bwrap) {
    static std::mutex lock;
    static std::map<std::string, std::string> probed;
    static bool logged = false;
    std::lock_guard<std::mutex> guard(lock);
    const auto known = probed.find(bwrap);
    if (known != probed.end()) {
        return known->second;
    }
    std::string working = FindExecutable(bwrap.empty() ? std::string("bwrap") : bwrap);
    std::string why = "bwrap not found";
    if (!working.empty()) {
        std::string folder = (fs::temp_directory_path() / "vantory-probe-XXXXXX").string();
        if (mkdtemp(folder.data()) == nullptr) {
            working.clear();
            why = "no temporary folder for the probe";
        } else {
            ThumbnailerView view;
            std::vector<std::string> command =
                SandboxCommand(working, "/usr/bin/true", "/usr/bin/true", folder, view);
            command.push_back("/usr/bin/true");
            const ChildOutcome outcome = RunChild(command, {}, ChildLimits{});
            std::error_code ignored;
            fs::remove_all(folder, ignored);
            if (!outcome.Succeeded()) {
                why = "bwrap cannot make its namespaces here (" + outcome.Describe() + ": " +
                      outcome.errorTail + ")";
                working.clear();
            }
        }
    }
    if (working.empty() && !logged) {
        logged = true;
        kvfoundation::util::LogFormat(
            2, "ThumbMeta: desktop thumbnailers run without a sandbox: %s", why.c_str());
    }
    probed.emplace(bwrap, working);
    return working;
}

}  // namespace ThumbMetaLib::shell
