// `vantory pages` and `vantory refs`: the PDF functions of the service from the command line.
#include <filesystem>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "kvfoundation/base/KVCast.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVBool.h"
#include "kvfoundation/data/IKVData.h"
#include "kvfoundation/data/IKVMutableList.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "tools/vantory/Commands.h"

namespace vantory::cli {

namespace data = kvfoundation::data;
namespace fs = std::filesystem;

namespace {

struct PagesJob {
    std::string file;
    int size = 256;
    int quality = 7;
    std::string outDir = ".";
};

data::IKVMutableMap* RequestFor(const std::string& file) {
    data::IKVMutableMap* params = data::CreateMutableMap(3);
    const std::string path = fs::absolute(file).string();
    params->SetObjectForKey(data::Literal("filePath"),
                            data::CreateStringFromUTF8(path.data(), int32_t(path.size())));
    return params;
}

data::IKVData* BytesOf(const std::string& text) {
    return data::CreateData(text.data(), int32_t(text.size()));
}

// Writes page k as <out>/<file name without extension>-p<k>.jpg.
int RunPagesJob(const PagesJob& job, client::ServiceConnection& connection) {
    if (!MakeOutputFolder(job.outDir)) {
        return kUsage;
    }
    data::IKVMutableMap* params = RequestFor(job.file);
    data::IKVMutableList* sizes = data::CreateMutableList(1);
    sizes->AddObject(data::CreateInt32(job.size));
    params->SetObjectForKey(data::Literal("sizes"), sizes);
    params->SetObjectForKey(data::Literal("quality"), data::CreateInt32(job.quality));
    client::Reply reply = connection.Call("createPageThumbnails", params);
    if (!reply.succeeded) {
        ReportError(job.file, reply);
        return kErrorReply;
    }
    data::IKVList* pages = ThumbnailsOf(reply.result.get());
    const std::string stem = fs::path(job.file).stem().string();
    for (int32_t i = 0; i < pages->Count(); ++i) {
        const fs::path target =
            fs::path(job.outDir) / (stem + "-p" + std::to_string(i + 1) + ".jpg");
        if (!WriteThumbnailFile(pages->ObjectAt(i), target)) {
            return kErrorReply;
        }
    }
    return kSuccess;
}

// "<file>: N links, read-only|writable", then each path on a line of its own, as recorded.
int ListRefs(const std::string& file, client::ServiceConnection& connection) {
    client::Reply reply = connection.Call("parseRefs", RequestFor(file));
    if (!reply.succeeded) {
        ReportError(file, reply);
        return kErrorReply;
    }
    auto* links = kvfoundation::base::KVCast<data::IKVList>(
        reply.result->ObjectForKey(data::Literal("link")));
    auto* readOnly = kvfoundation::base::KVCast<data::IKVBool>(
        reply.result->ObjectForKey(data::Literal("fileReadOnly")));
    std::cout << file << ": " << links->Count() << (links->Count() == 1 ? " link, " : " links, ")
              << (readOnly->BoolValue() ? "read-only" : "writable") << "\n";
    for (int32_t i = 0; i < links->Count(); ++i) {
        auto* link = kvfoundation::base::KVCast<data::IKVData>(links->ObjectAt(i));
        std::cout << "  ";
        std::cout.write(reinterpret_cast<const char*>(link->Bytes()), link->Length());
        std::cout << "\n";
    }
    return kSuccess;
}

int UpdateRefs(const std::string& file,
               const std::vector<std::pair<std::string, std::string>>& replacements,
               client::ServiceConnection& connection) {
    data::IKVMutableMap* params = RequestFor(file);
    data::IKVMutableList* oldLinks = data::CreateMutableList(int32_t(replacements.size()));
    data::IKVMutableList* newLinks = data::CreateMutableList(int32_t(replacements.size()));
    for (const auto& [from, to] : replacements) {
        oldLinks->AddObject(BytesOf(from));
        newLinks->AddObject(BytesOf(to));
    }
    params->SetObjectForKey(data::Literal("oldLinks"), oldLinks);
    params->SetObjectForKey(data::Literal("newLinks"), newLinks);
    client::Reply reply = connection.Call("updateRefs", params);
    if (!reply.succeeded) {
        ReportError(file, reply);
        return kErrorReply;
    }
    return ListRefs(file, connection);  // shows what the document records now
}

}  // namespace

std::optional<CommandRunner> ParsePagesCommand(const std::vector<std::string>& args) {
    PagesJob job;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if ((arg == "--size" || arg == "--quality") && hasValue) {
            if (!ParseInt(args[++i], arg == "--size" ? &job.size : &job.quality)) {
                std::cerr << "vantory: " << arg << " takes a number\n";
                return std::nullopt;
            }
        } else if (arg == "--out" && hasValue) {
            job.outDir = args[++i];
        } else if (arg.starts_with("--") || !job.file.empty()) {
            std::cerr << "vantory: pages: unexpected argument: " << arg << "\n";
            return std::nullopt;
        } else {
            job.file = arg;
        }
    }
    if (job.file.empty()) {
        std::cerr << "vantory: usage: pages FILE [--size N] [--quality Q] [--out DIR]\n";
        return std::nullopt;
    }
    return [job](client::ServiceConnection& connection) { return RunPagesJob(job, connection); };
}

std::optional<CommandRunner> ParseRefsCommand(const std::vector<std::string>& args) {
    if (args.size() == 2 && args[0] == "list") {
        const std::string file = args[1];
        return [file](client::ServiceConnection& connection) { return ListRefs(file, connection); };
    }
    if (args.size() >= 4 && args.size() % 2 == 0 && args[0] == "update") {
        const std::string file = args[1];
        std::vector<std::pair<std::string, std::string>> replacements;
        for (size_t i = 2; i + 1 < args.size(); i += 2) {
            replacements.emplace_back(args[i], args[i + 1]);
        }
        return [file, replacements](client::ServiceConnection& connection) {
            return UpdateRefs(file, replacements, connection);
        };
    }
    std::cerr << "vantory: usage: refs list FILE | refs update FILE OLD NEW [OLD NEW...]\n";
    return std::nullopt;
}

}  // namespace vantory::cli
