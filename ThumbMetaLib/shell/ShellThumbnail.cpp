#include "ThumbMetaLib/shell/ShellThumbnail.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "ThumbMetaLib/resample/Resample.h"
#include "ThumbMetaLib/shell/EngineMimeTypes.h"
#include "ThumbMetaLib/shell/ExecLine.h"
#include "ThumbMetaLib/shell/MimeSniffer.h"
#include "ThumbMetaLib/shell/PngReader.h"
#include "ThumbMetaLib/shell/SandboxCommand.h"
#include "ThumbMetaLib/shell/ThumbnailerCatalog.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib::shell {
namespace {

namespace fs = std::filesystem;
using kvfoundation::util::LogFormat;

constexpr const char* kOutputName = "thumbnail.png";

// A fresh private folder for one run, removed with whatever the thumbnailer left in it
// (remove_all never follows the links it finds).
class OutputFolder {
public:
    explicit OutputFolder(const std::string& parent) {
        std::string pattern = ((parent.empty() ? fs::temp_directory_path() : fs::path(parent)) /
                               "vantory-thumbnailer-XXXXXX")
                                  .string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~OutputFolder() {
        if (!path_.empty()) {
            std::error_code ignored;
            fs::remove_all(path_, ignored);
        }
    }
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The last line of what the thumbnailer said, for the log.
std::string LastLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    const size_t newline = text.rfind('\n');
    return newline == std::string::npos ? text : text.substr(newline + 1);
}

// Thumbnailers are asked for `size`; a few return more, but never this much more.
PngLimits LimitsFor(uint32_t size) {
    PngLimits limits;
    limits.maxSide = std::clamp<uint32_t>(size * 4, 1024, 8192);
    return limits;
}

}  // namespace

PixelsPtr ShellThumbnail(const std::string& path, uint32_t size, const ShellSettings& settings) {
    std::error_code error;
    const fs::path input = fs::canonical(path, error);
    if (error || !fs::is_regular_file(input, error) || size == 0) {
        return nullptr;
    }
    const std::string mimeType = SniffMimeType(input.string());
    if (mimeType.empty() || IsEngineMimeType(mimeType)) {
        // Our own types never go out: the engine declined the file, a thumbnailer (maybe
        // our own) would only be asked the same question again.
        LogFormat(3, "ThumbMeta: no desktop thumbnailer asked for %s (%s)", path.c_str(),
                  mimeType.empty() ? "unknown type" : mimeType.c_str());
        return nullptr;
    }
    const std::shared_ptr<const ThumbnailerCatalog> catalog = ThumbnailerCatalog::Current(
        settings.thumbnailerFolders.empty() ? ThumbnailerCatalog::FoldersFromEnvironment()
                                            : settings.thumbnailerFolders);
    const ThumbnailerEntry* entry = catalog->ForMimeType(mimeType);
    if (entry == nullptr) {
        LogFormat(3, "ThumbMeta: no desktop thumbnailer for %s (%s)", path.c_str(),
                  mimeType.c_str());
        return nullptr;
    }
    const OutputFolder output(settings.scratchFolder);
    if (output.Path().empty()) {
        LogFormat(1, "ThumbMeta: no folder for a thumbnailer's output");
        return nullptr;
    }
    const std::string bwrap = WorkingSandbox(settings.bwrap);
    ThumbnailerView view{input.string(), output.Path()};
    std::vector<std::string> command;
    if (!bwrap.empty()) {
        command = SandboxCommand(bwrap, entry->program, input.string(), output.Path(), view);
    }
    const ExecFields fields{view.inputPath, FileUri(view.inputPath),
                            view.outputFolder + "/" + kOutputName, size};
    std::vector<std::string> program = ExpandExecLine(entry->exec, fields);
    program[0] = entry->program;
    command.insert(command.end(), program.begin(), program.end());

    const ChildOutcome outcome = RunChild(
        command, bwrap.empty() ? PlainEnvironment(output.Path()) : std::vector<std::string>{},
        settings.limits);
    if (!outcome.Succeeded()) {
        LogFormat(2, "ThumbMeta: thumbnailer %s failed on %s: %s %s", entry->file.c_str(),
                  path.c_str(), outcome.Describe().c_str(), LastLine(outcome.errorTail).c_str());
        return nullptr;
    }
    PixelsPtr pixels = ReadPngFile(output.Path() + "/" + kOutputName, LimitsFor(size));
    if (!pixels) {
        LogFormat(2, "ThumbMeta: thumbnailer %s wrote no usable PNG for %s", entry->file.c_str(),
                  path.c_str());
        return nullptr;
    }
    if (pixels->Width() > size || pixels->Height() > size) {
        if (PixelsPtr fitted = ScaleToFit(*pixels, size, kScaleCubic)) {
            pixels = std::move(fitted);
        }
    }
    LogFormat(4, "ThumbMeta: %s thumbnail of %s in %lld us%s", mimeType.c_str(), path.c_str(),
              static_cast<long long>(outcome.elapsed.count()),
              bwrap.empty() ? " (no sandbox)" : "");
    return pixels;
}

}  // namespace ThumbMetaLib::shell
