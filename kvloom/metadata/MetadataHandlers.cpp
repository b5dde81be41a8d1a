#include "kvloom/metadata/MetadataHandlers.h"

#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "kvfoundation/ncomm/NCException.h"
#include "kvfoundation/util/Format.h"
#include "kvloom/LoomErrors.h"
#include "kvloom/RequestFile.h"
#include "kvloom/RequestParams.h"
#include "kvloom/metadata/MainPacket.h"
#include "kvloom/metadata/PacketReply.h"
#include "kvloom/metadata/XMPFailure.h"

namespace kvloom {

namespace data = kvfoundation::data;
using kvfoundation::ncomm::INCHost;

namespace {

// "xmp" parsed into a tree; too large a packet is refused before it is parsed.
xmp::TXMPMeta ParseRequestPacket(const RequestParams& params) {
    data::IKVData* packet = params.RequiredData("xmp");
    if (packet->Length() > MetadataHandlers::kMaxRequestPacketBytes) {
        throw kvfoundation::ncomm::NCException(
            data::Literal(errors::kBadRequest),
            kvfoundation::util::Format("xmp is %d bytes; a packet may hold at most %d",
                                       packet->Length(), MetadataHandlers::kMaxRequestPacketBytes));
    }
    return TranslatingXMPErrors([&] {
        return xmp::TXMPMeta(reinterpret_cast<const char*>(packet->Bytes()),
                             static_cast<size_t>(packet->Length()));
    });
}

PacketThumbnailSizes SizesOf(const RequestParams& params) {
    return ReadPacketThumbnailSizes(params.OptionalList("sizes", nullptr));
}

void PutFullReply(const xmp::TXMPMeta& tree, const PacketThumbnailSizes& sizes,
                  data::IKVMutableMap* results) {
    TranslatingXMPErrors([&] { PutPacketReply(tree, sizes, false, results); });
}

}  // namespace

void MetadataHandlers::GetMainPacket(INCHost::IRequest* request) const {
    const RequestParams params(request->Params());
    data::IKVString* path = params.RequiredString("filePath");
    data::IKVString* extension = params.Extension(path);
    params.OptionalString("mimetype", data::Literal(""));  // read, without effect
    const bool basic = params.OptionalBool("basicXMP", false);
    const PacketThumbnailSizes sizes = SizesOf(params);
    CheckRequestFile(path, false);

    data::IKVMutableMap* results = request->Result();
    TranslatingXMPErrors([&] {
        const MainPacket packet = ReadMainPacket(formats_, path, extension);
        if (packet.tree) {
            PutPacketReply(*packet.tree, sizes, basic, results);
        }
        results->SetObjectForKey(data::Literal("writeCapability"),
                                 data::CreateInt32(packet.writeCapability));
        results->SetObjectForKey(data::Literal("isRawlith"), data::CreateBool(packet.isRawCamera));
    });
}

void MetadataHandlers::UpdateMainPacket(INCHost::IRequest* request) const {
    const RequestParams params(request->Params());
    data::IKVString* path = params.RequiredString("filePath");
    data::IKVString* extension = params.Extension(path);
    const xmp::TXMPMeta tree = ParseRequestPacket(params);
    const PacketThumbnailSizes sizes = SizesOf(params);
    CheckRequestFile(path, true);

    TranslatingXMPErrors([&] { WriteMainPacket(formats_, path, extension, tree); });
    PutFullReply(tree, sizes, request->Result());
}

void MetadataHandlers::ParseRawXMP(INCHost::IRequest* request) const {
    const RequestParams params(request->Params());
    const xmp::TXMPMeta tree = ParseRequestPacket(params);
    PutFullReply(tree, SizesOf(params), request->Result());
}

}  // namespace kvloom
