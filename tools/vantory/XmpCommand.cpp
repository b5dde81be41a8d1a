// `vantory xmp`: a file's XMP packet printed as it is or as its properties, a packet written
// into a file, and a packet parsed by the service.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "kvfoundation/base/KVCast.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVBool.h"
#include "kvfoundation/data/IKVData.h"
#include "kvfoundation/data/IKVList.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "kvfoundation/data/IKVNumber.h"
#include "kvfoundation/data/IKVString.h"
#include "tools/client/JsonValues.h"
#include "tools/vantory/Commands.h"

namespace vantory::cli {

namespace data = kvfoundation::data;
using kvfoundation::base::KVCast;

namespace {

std::string TextOf(const data::IKVData* bytes) {
    return std::string(reinterpret_cast<const char*>(bytes->Bytes()), size_t(bytes->Length()));
}

data::IKVString* Utf8(const std::string& text) {
    return data::CreateStringFromUTF8(text.data(), int32_t(text.size()));
}

data::IKVMutableMap* FileRequest(const std::string& file) {
    data::IKVMutableMap* params = data::CreateMutableMap(2);
    params->SetObjectForKey(data::Literal("filePath"),
                            Utf8(std::filesystem::absolute(file).string()));
    return params;
}

// The packet reply as JSON: {"properties": {path: value...}, "namespaces": {...}} plus the
// file's write capability when the reply has one.
std::string PropertiesJson(data::IKVMap* result) {
    std::ostringstream out;
    out << "{\n";
    if (auto* capability = dynamic_cast<data::IKVNumber*>(
            result->ObjectForKey(data::Literal("writeCapability")))) {
        auto* raw = dynamic_cast<data::IKVBool*>(result->ObjectForKey(data::Literal("isRawlith")));
        out << "  \"writeCapability\": " << capability->Int32Value() << ",\n"
            << "  \"isRawlith\": " << (raw != nullptr && raw->BoolValue() ? "true" : "false")
            << ",\n";
    }
    out << "  \"properties\": {";
    if (auto* properties =
            dynamic_cast<data::IKVMap*>(result->ObjectForKey(data::Literal("propeties")))) {
        auto* paths = KVCast<data::IKVList>(properties->ObjectForKey(data::Literal("XPath")));
        auto* values = KVCast<data::IKVList>(properties->ObjectForKey(data::Literal("value")));
        for (int32_t i = 0; i < paths->Count() && i < values->Count(); ++i) {
            out << (i == 0 ? "\n    " : ",\n    ")
                << client::QuoteJson(TextOf(KVCast<data::IKVData>(paths->ObjectAt(i)))) << ": "
                << client::QuoteJson(TextOf(KVCast<data::IKVData>(values->ObjectAt(i))));
        }
        out << (paths->Count() > 0 ? "\n  " : "");
    }
    const kvfoundation::base::IKVType* namespaces =
        result->ObjectForKey(data::Literal("namespaces"));
    out << "},\n  \"namespaces\": "
        << (namespaces != nullptr ? client::ToJson(namespaces, client::SummariseData, 0) : "{}")
        << "\n}\n";
    return out.str();
}

int Print(const std::string& what, const client::Reply& reply, bool asPacket) {
    if (!reply.succeeded) {
        ReportError(what, reply);
        return kErrorReply;
    }
    if (!asPacket) {
        std::cout << PropertiesJson(reply.result.get());
        return kSuccess;
    }
    auto* packet = dynamic_cast<data::IKVData*>(reply.result->ObjectForKey(data::Literal("xmp")));
    if (packet == nullptr) {
        std::cerr << "vantory: " << what << " has no XMP packet\n";
        return kErrorReply;
    }
    std::cout << TextOf(packet) << "\n";
    return kSuccess;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "vantory: cannot read " << path << "\n";
        return std::nullopt;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

constexpr const char* kUsageText =
    "vantory: usage: xmp get FILE [--json] | xmp set FILE PACKET | xmp parse PACKET\n";

}  // namespace

std::optional<CommandRunner> ParseXmpCommand(const std::vector<std::string>& args) {
    const std::string verb = args.empty() ? "" : args[0];
    if (verb == "get" && (args.size() == 2 || (args.size() == 3 && args[2] == "--json"))) {
        const std::string file = args[1];
        const bool json = args.size() == 3;
        return [file, json](client::ServiceConnection& connection) {
            return Print(file, connection.Call("getMainPacket", FileRequest(file)), !json);
        };
    }
    if ((verb == "set" && args.size() == 3) || (verb == "parse" && args.size() == 2)) {
        std::optional<std::string> packet = ReadWholeFile(args.back());
        if (!packet) {
            return std::nullopt;
        }
        const std::string file = verb == "set" ? args[1] : "";
        const std::string bytes = *packet;
        return [file, bytes](client::ServiceConnection& connection) {
            data::IKVMutableMap* params =
                file.empty() ? data::CreateMutableMap(1) : FileRequest(file);
            params->SetObjectForKey(data::Literal("xmp"),
                                    data::CreateData(bytes.data(), int32_t(bytes.size())));
            const char* function = file.empty() ? "parseRawXMP" : "updateMainPacket";
            return Print(file.empty() ? "packet" : file, connection.Call(function, params), false);
        };
    }
    std::cerr << kUsageText;
    return std::nullopt;
}

void ReportError(const std::string& what, const client::Reply& reply) {
    auto text = [&](const char* key) -> std::string {
        auto* value =
            dynamic_cast<data::IKVString*>(reply.result->ObjectForKey(data::Literal(key)));
        return value != nullptr ? value->CString() : "?";
    };
    std::cerr << "vantory: " << what << ": " << text("errReason") << ": " << text("errWhy") << "\n";
}

}  // namespace vantory::cli
