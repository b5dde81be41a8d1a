#include "ExtensionTable.h"

#include <cctype>

namespace xmp {
namespace {

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower;
}

}  // namespace

const std::map<std::string, XMP_FileFormat>& ExtensionFormatTable() {
    static const std::map<std::string, XMP_FileFormat> table = {
        // The public formats (23 extensions).
        {"aiff", kXMP_AIFFFile},
        {"aif", kXMP_AIFFFile},
        {"wmv", kXMP_WMAVFile},
        {"wma", kXMP_WMAVFile},
        {"mp4", kXMP_MPEG4File},
        {"mp2", kXMP_MPEG2File},
        {"mpeg", kXMP_MPEGFile},
        {"mpg", kXMP_MPEGFile},
        {"mp3", kXMP_MP3File},
        {"wav", kXMP_WAVFile},
        {"cin", kXMP_CinemaFile},
        {"avi", kXMP_AVIFile},
        {"mov", kXMP_MOVFile},
        {"flv", kXMP_FLVFile},
        {"png", kXMP_PNGFile},
        {"gif", kXMP_GIFFile},
        {"tiff", kXMP_TIFFFile},
        {"tif", kXMP_TIFFFile},
        {"jpeg", kXMP_JPEGFile},
        {"jpg", kXMP_JPEGFile},
        {"eps", kXMP_EPSFile},
        {"ps", kXMP_PostScriptFile},
        {"pdf", kXMP_PDFFile},
        // Application documents: only those our engine reads are named here, the layered
        // raster documents and the vector drawings (document and template). The other
        // application formats (layout, motion graphics, video editing, audio, animation and
        // their container forms) are left out on purpose: we have no handler for them, and an
        // unnamed extension still reaches the packet scanner through content sniffing.
        {"psd", kXMP_PhotoshopFile},
        {"psb", kXMP_PhotoshopFile},
        {"pdd", kXMP_PhotoshopFile},
        {"ai", kXMP_IllustratorFile},
        {"ait", kXMP_IllustratorFile},
    };
    return table;
}

const std::set<std::string>& PacketScanningExtensions() {
    // Text-like formats whose packet may sit anywhere; of the application documents only the
    // vector drawings are named (see ExtensionFormatTable).
    static const std::set<std::string> extensions = {"svg", "gif", "ai", "ait"};
    return extensions;
}

XMP_FileFormat FormatForExtension(std::string_view extension) {
    auto it = ExtensionFormatTable().find(LowerAscii(extension));
    return it == ExtensionFormatTable().end() ? kXMP_UnknownFile : it->second;
}

XMP_OptionBits ScanningFlagForExtension(std::string_view extension) {
    return PacketScanningExtensions().count(LowerAscii(extension)) ? kXMPFiles_OpenUsePacketScanning
                                                                   : kXMPFiles_OpenLimitedScanning;
}

}  // namespace xmp
