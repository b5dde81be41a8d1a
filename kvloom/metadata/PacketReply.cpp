#include "kvloom/metadata/PacketReply.h"

#include <string>

#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVMutableList.h"
#include "kvloom/ThumbnailSizes.h"
#include "kvloom/metadata/PacketThumbnails.h"
#include "xmp/core/TXMPIterator.h"

namespace kvloom {

namespace data = kvfoundation::data;

namespace {

data::IKVData* Bytes(const std::string& text) {
    return data::CreateData(text.data(), static_cast<int32_t>(text.size()));
}

data::IKVString* Text(const std::string& text) {
    return data::CreateStringFromUTF8(text.data(), static_cast<int32_t>(text.size()));
}

// The Base64 image fields of stored thumbnails are large and of no use as text.
bool IsThumbnailImagePath(const std::string& path) {
    return path.size() > 20 && path.starts_with("xmp:Thumbnails") && path.ends_with(":image");
}

// Every prefix of the path (the text between a '/' or the start and the next ':') whose
// namespace is known.
void AddNamespacesOf(const std::string& path, data::IKVMutableMap* namespaces) {
    size_t segmentStart = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '/') {
            segmentStart = i + 1;
        } else if (path[i] == ':') {
            const std::string prefix = path.substr(segmentStart, i - segmentStart);
            std::string uri;
            if (xmp::TXMPMeta::GetNamespaceURI(prefix, &uri)) {
                namespaces->SetObjectForKey(Text(prefix), Text(uri));
            }
        }
    }
}

void PutProperties(const xmp::TXMPMeta& tree, data::IKVMutableMap* results) {
    data::IKVMutableList* paths = data::CreateMutableList(0);
    data::IKVMutableList* values = data::CreateMutableList(0);
    data::IKVMutableMap* namespaces = data::CreateMutableMap(0);
    xmp::TXMPIterator leaves(tree, xmp::kIterJustLeafNodes);
    std::string schema, path, value;
    xmp::XMPOptions options = 0;
    while (leaves.Next(&schema, &path, &value, &options)) {
        if (path.empty() || IsThumbnailImagePath(path)) {
            continue;
        }
        paths->AddObject(Bytes(path));
        values->AddObject(Bytes(value));
        AddNamespacesOf(path, namespaces);
    }
    data::IKVMutableMap* properties = data::CreateMutableMap(2);
    properties->SetObjectForKey(data::Literal("XPath"), paths);
    properties->SetObjectForKey(data::Literal("value"), values);
    results->SetObjectForKey(data::Literal("namespaces"), namespaces);
    // The key's spelling is the one clients know.
    results->SetObjectForKey(data::Literal("propeties"), properties);
}

}  // namespace

PacketThumbnailSizes ReadPacketThumbnailSizes(data::IKVList* sizes) {
    PacketThumbnailSizes result;
    if (sizes == nullptr) {
        return result;
    }
    if (sizes->Count() > 0) {
        result.large = ThumbnailSizeAt(sizes, 0);
    }
    if (sizes->Count() > 1) {
        result.small = ThumbnailSizeAt(sizes, 1);
    }
    return result;
}

void PutPacketReply(const xmp::TXMPMeta& tree, const PacketThumbnailSizes& sizes, bool basic,
                    data::IKVMutableMap* results) {
    std::string packet;
    tree.SerializeToBuffer(&packet, 0, 0);
    results->SetObjectForKey(data::Literal("xmp"), Bytes(packet));
    if (basic) {
        return;
    }
    results->SetObjectForKey(data::Literal("thumbnails"), MakePacketThumbnailList(tree, sizes));
    PutProperties(tree, results);
}

}  // namespace kvloom
