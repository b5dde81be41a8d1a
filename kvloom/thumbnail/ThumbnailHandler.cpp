#include "kvloom/thumbnail/ThumbnailHandler.h"

#include <optional>
#include <string>
#include <vector>

#include "ThumbMetaLib/engine/ThumbOptions.h"
#include "ThumbMetaLib/engine/ThumbnailDriver.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "kvfoundation/ncomm/NCException.h"
#include "kvfoundation/util/Format.h"
#include "kvfoundation/util/ProcessLog.h"
#include "kvloom/LoomErrors.h"
#include "kvloom/RequestFile.h"
#include "kvloom/RequestParams.h"
#include "kvloom/ThumbnailSizes.h"
#include "kvloom/metadata/MainPacket.h"
#include "kvloom/metadata/PacketThumbnails.h"
#include "kvloom/thumbnail/JPEGCoding.h"
#include "kvloom/thumbnail/PixelsRotation.h"
#include "kvloom/thumbnail/ReadPathHolder.h"
#include "kvloom/thumbnail/ThumbnailList.h"
#include "kvloom/thumbnail/ThumbnailMap.h"

namespace kvloom {

namespace data = kvfoundation::data;
using kvfoundation::ncomm::INCHost;
using ThumbMetaLib::PixelsPtr;

namespace {

constexpr int32_t kDefaultQuality = 7;

// What the file's packet offers: the stored thumbnail best fitting the size, and the turn
// its tiff:Orientation asks for. A packet that cannot be read only costs the stored
// thumbnail: the engine may still make one.
struct StoredChoice {
    PacketThumbnail thumbnail;
    int32_t rotation = 0;
};

StoredChoice ReadStoredChoice(const FormatDirectory& formats, data::IKVString* path,
                              data::IKVString* extension, int32_t size) {
    StoredChoice choice;
    try {
        const MainPacket packet = ReadMainPacket(formats, path, extension);
        if (packet.tree) {
            choice.rotation = PacketRotation(*packet.tree);
            choice.thumbnail = ChooseStoredThumbnail(*packet.tree, size);
        }
    } catch (const xmp::XMPError& error) {
        kvfoundation::util::LogFormat(2, "XMP of '%s' not read (XMPError <%d>: %s)",
                                      path->CString(), error.GetID(), error.GetErrMsg());
    }
    return choice;
}

// The engine's thumbnail of the path at `size`, turned by `rotation` or, without one, by the
// orientation the file records.
PixelsPtr EngineThumbnail(const std::string& readPath, int32_t size, int32_t rotation) {
    ThumbMetaLib::ThumbOptions options;
    bool isVideo = false;
    PixelsPtr pixels = ThumbMetaLib::GetThumbnail(nullptr, readPath, static_cast<uint32_t>(size),
                                                  options, isVideo);
    if (!pixels) {
        if (isVideo) {
            // This build has no video frame reader, so there is nothing to hand to the main
            // thread: a video gets no thumbnail.
            kvfoundation::util::LogFormat(3, "No video frames in this build for '%s'",
                                          readPath.c_str());
        }
        return nullptr;
    }
    if (rotation == 0) {
        rotation = RotationForOrientation(options.orientation);
    }
    return RotateClockwise(FitWithKernels(pixels, size), rotation);
}

[[noreturn]] void NoThumbnail(data::IKVString* path) {
    throw kvfoundation::ncomm::NCException(
        data::Literal(errors::kNoThumb),
        kvfoundation::util::Format("Failed to create thumb for file '%@'", path));
}

}  // namespace

void ThumbnailHandler::CreateThumbnail(INCHost::IRequest* request) const {
    const RequestParams params(request->Params());
    data::IKVString* path = params.RequiredString("filePath");
    data::IKVString* extension = params.Extension(path);
    params.OptionalString("mimetype", data::Literal(""));  // read, without effect
    const std::vector<int32_t> sizes = ThumbnailSizes(params.RequiredNonEmptyList("sizes"));
    const int32_t quality = params.OptionalNumber("quality", kDefaultQuality);
    const int32_t size = sizes.front();
    ReadPathHolder::CheckExtension(extension);
    CheckRequestFile(path, false);

    const ReadPathHolder holder(path, extension);
    const StoredChoice stored = ReadStoredChoice(formats_, path, extension, size);
    const PacketThumbnail& thumbnail = stored.thumbnail;

    data::IKVList* list = nullptr;
    if (!thumbnail.found || thumbnail.Side() < size) {
        // PDF documents are rendered by the PDF handlers, which this service does not have
        // yet; until then they go to the engine like every other file.
        if (PixelsPtr pixels = EngineThumbnail(holder.ReadPath(), size, stored.rotation)) {
            list = MakeThumbnailList(pixels, sizes, quality);
        }
    }
    if (list == nullptr && thumbnail.found) {
        if (stored.rotation == 0 && sizes.size() == 1) {
            kvfoundation::base::IKVType* entry = MakeThumbnailMap(thumbnail);
            list = data::CreateList(1, &entry);
        } else if (PixelsPtr decoded = DecodeJPEGBytes(thumbnail.image)) {
            PixelsPtr turned = RotateClockwise(FitWithKernels(decoded, size), stored.rotation);
            if (turned) {
                list = MakeThumbnailList(turned, sizes, quality);
            }
        }
    }
    if (list == nullptr) {
        NoThumbnail(path);
    }
    request->Result()->SetObjectForKey(data::Literal("thumbnails"), list);
}

}  // namespace kvloom
