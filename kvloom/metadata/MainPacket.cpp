#include "kvloom/metadata/MainPacket.h"

#include <string>

#include "ThumbMetaLib/engine/AsciiCase.h"
#include "xmp/files/ExtensionTable.h"
#include "xmp/files/TXMPFiles.h"

namespace kvloom {

namespace {

int32_t CapabilityOf(bool found, const xmp::XMPPacketInfo& info, xmp::XMP_OptionBits handler) {
    if ((handler & xmp::kXMPFiles_CanInjectXMP) != 0) {
        return 2;
    }
    if (!found) {
        return 0;
    }
    if ((handler & xmp::kXMPFiles_CanExpand) != 0) {
        return 2;
    }
    return info.writeable ? 1 : 0;
}

MainPacket ReadThroughXMPFiles(const std::string& path, const std::string& extension) {
    MainPacket result;
    const xmp::XMP_FileFormat format = xmp::FormatForExtension(extension);
    if (format == xmp::kXMP_MOVFile) {
        return result;
    }
    xmp::TXMPFiles file;
    if (!file.OpenFile(path, format,
                       xmp::kXMPFiles_OpenForRead | xmp::ScanningFlagForExtension(extension))) {
        return result;
    }
    xmp::XMP_OptionBits handler = 0;
    file.GetFileInfo(nullptr, nullptr, nullptr, &handler);
    std::string packet;
    xmp::XMPPacketInfo info;
    const bool found = file.GetXMP(&packet, &info);
    result.writeCapability = CapabilityOf(found, info, handler);
    file.CloseFile();
    if (found) {
        result.tree.emplace(packet);
    }
    return result;
}

}  // namespace

MainPacket ReadMainPacket(const FormatDirectory& formats, kvfoundation::data::IKVString* path,
                          kvfoundation::data::IKVString* extension) {
    if (TMLFormat* format = formats.LookUp(extension)) {
        MainPacket direct;
        direct.isRawCamera = format->IsRawCamera();
        xmp::TXMPMeta tree;
        bool writable = false;
        if (format->ReadXMP(path, tree, writable)) {
            direct.tree = std::move(tree);
            direct.writeCapability = writable ? 1 : 0;
            return direct;
        }
        MainPacket fallback =
            ReadThroughXMPFiles(path->CString(), ThumbMetaLib::AsciiLower(extension->CString()));
        fallback.isRawCamera = direct.isRawCamera;
        return fallback;
    }
    return ReadThroughXMPFiles(path->CString(), ThumbMetaLib::AsciiLower(extension->CString()));
}

void WriteMainPacket(const FormatDirectory& formats, kvfoundation::data::IKVString* path,
                     kvfoundation::data::IKVString* extension, const xmp::TXMPMeta& tree) {
    TMLFormat* format = formats.LookUp(extension);
    if (format != nullptr && !format->IsRawCamera()) {
        format->DoDirectXMPWrite(path, tree);
        return;
    }
    const xmp::XMP_FileFormat code =
        xmp::FormatForExtension(ThumbMetaLib::AsciiLower(extension->CString()));
    if (code == xmp::kXMP_MOVFile) {
        return;
    }
    std::string packet;
    tree.SerializeToBuffer(&packet, 0, 0);
    xmp::TXMPFiles file;
    if (!file.OpenFile(path->CString(), code, xmp::kXMPFiles_OpenForUpdate)) {
        throw xmp::XMPError(
            xmp::kXMPErr_NoFileHandler,
            std::string("No handler can write the XMP of '") + path->CString() + "'");
    }
    file.PutXMP(packet);
    file.CloseFile(xmp::kXMPFiles_UpdateSafely);
}

}  // namespace kvloom
