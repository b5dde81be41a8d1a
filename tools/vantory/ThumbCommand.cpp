// `vantory thumb`: JPEG thumbnails of files at one or more sizes, written into a folder.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "kvfoundation/base/KVCast.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVData.h"
#include "kvfoundation/data/IKVList.h"
#include "kvfoundation/data/IKVMutableList.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "kvfoundation/data/IKVNumber.h"
#include "tools/vantory/Commands.h"
#include "tools/vantory/ProgressLine.h"

namespace vantory::cli {

namespace data = kvfoundation::data;
namespace fs = std::filesystem;

namespace {

struct ThumbJob {
    std::vector<std::string> files;
    std::vector<int> sizes{256};
    int quality = 7;
    std::string outDir = ".";
};

bool ParseInt(const std::string& text, int* value) {
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || parsed < -1000000 || parsed > 1000000) {
        return false;
    }
    *value = static_cast<int>(parsed);
    return true;
}

bool ParseSizes(const std::string& text, std::vector<int>* sizes) {
    sizes->clear();
    std::stringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        int size = 0;
        if (!ParseInt(item, &size)) {
            return false;
        }
        sizes->push_back(size);
    }
    return !sizes->empty();
}

data::IKVMap* ThumbRequest(const ThumbJob& job, const std::string& file) {
    data::IKVMutableList* sizes = data::CreateMutableList(0);
    for (int size : job.sizes) {
        sizes->AddObject(data::CreateInt32(size));
    }
    data::IKVMutableMap* params = data::CreateMutableMap(3);
    const std::string path = fs::absolute(file).string();
    params->SetObjectForKey(data::Literal("filePath"),
                            data::CreateStringFromUTF8(path.data(), int32_t(path.size())));
    params->SetObjectForKey(data::Literal("sizes"), sizes);
    params->SetObjectForKey(data::Literal("quality"), data::CreateInt32(job.quality));
    return params;
}

// Writes each returned JPEG as <out>/<file name without extension>-<size>.jpg.
bool WriteThumbnails(const ThumbJob& job, const std::string& file, data::IKVMap* result) {
    auto* list = kvfoundation::base::KVCast<data::IKVList>(
        result->ObjectForKey(data::Literal("thumbnails")));
    for (int32_t i = 0; i < list->Count() && i < int32_t(job.sizes.size()); ++i) {
        auto* entry = kvfoundation::base::KVCast<data::IKVMap>(list->ObjectAt(i));
        auto* bytes =
            kvfoundation::base::KVCast<data::IKVData>(entry->ObjectForKey(data::Literal("data")));
        auto number = [&](const char* key) {
            return kvfoundation::base::KVCast<data::IKVNumber>(
                       entry->ObjectForKey(data::Literal(key)))
                ->Int32Value();
        };
        const fs::path target = fs::path(job.outDir) / (fs::path(file).stem().string() + "-" +
                                                        std::to_string(job.sizes[i]) + ".jpg");
        std::ofstream out(target, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes->Bytes()), bytes->Length());
        if (!out) {
            std::cerr << "vantory: cannot write " << target.string() << "\n";
            return false;
        }
        std::cout << target.string() << " " << number("width") << "x" << number("height") << "\n";
    }
    return true;
}

int RunThumbJob(const ThumbJob& job, client::ServiceConnection& connection) {
    std::error_code error;
    fs::create_directories(job.outDir, error);
    if (error) {
        std::cerr << "vantory: cannot make " << job.outDir << ": " << error.message() << "\n";
        return kUsage;
    }
    ProgressLine progress;
    int exitCode = kSuccess;
    for (size_t i = 0; i < job.files.size(); ++i) {
        const std::string& file = job.files[i];
        if (job.files.size() > 1) {
            progress.Show("thumb " + std::to_string(i + 1) + "/" + std::to_string(job.files.size()),
                          double(i) / double(job.files.size()));
        }
        client::Reply reply = connection.Call("createThumbnail", ThumbRequest(job, file));
        progress.Clear();
        if (!reply.succeeded) {
            ReportError(file, reply);
            exitCode = kErrorReply;
        } else if (!WriteThumbnails(job, file, reply.result.get())) {
            exitCode = kErrorReply;
        }
    }
    return exitCode;
}

}  // namespace

std::optional<CommandRunner> ParseThumbCommand(const std::vector<std::string>& args) {
    ThumbJob job;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--size" && hasValue) {
            if (!ParseSizes(args[++i], &job.sizes)) {
                std::cerr << "vantory: --size takes numbers separated by commas\n";
                return std::nullopt;
            }
        } else if (arg == "--quality" && hasValue) {
            if (!ParseInt(args[++i], &job.quality)) {
                std::cerr << "vantory: --quality takes a number (0..12)\n";
                return std::nullopt;
            }
        } else if (arg == "--out" && hasValue) {
            job.outDir = args[++i];
        } else if (arg.starts_with("--")) {
            std::cerr << "vantory: thumb: unknown option or missing value: " << arg << "\n";
            return std::nullopt;
        } else {
            job.files.push_back(arg);
        }
    }
    if (job.files.empty()) {
        std::cerr << "vantory: usage: thumb FILE... [--size N[,N...]] [--quality Q] [--out DIR]\n";
        return std::nullopt;
    }
    return [job](client::ServiceConnection& connection) { return RunThumbJob(job, connection); };
}

}  // namespace vantory::cli
