#pragma once
// The vocabulary of the file toolkit: four-character format codes, open/close options, handler
// capability bits and what is known about a packet found in a file.
#include <cstdint>
#include <string_view>

namespace xmp {

using XMP_FileFormat = std::uint32_t;
using XMP_OptionBits = std::uint32_t;

// Four-character codes are stored big-endian so that 'JPEG' reads as its characters.
constexpr XMP_FileFormat FourCC(std::string_view code) {
    XMP_FileFormat value = 0;
    for (int i = 0; i < 4; ++i) {
        value = (value << 8) |
                static_cast<unsigned char>(i < static_cast<int>(code.size()) ? code[i] : ' ');
    }
    return value;
}

// Public formats.
inline constexpr XMP_FileFormat kXMP_UnknownFile = FourCC("    ");
inline constexpr XMP_FileFormat kXMP_JPEGFile = FourCC("JPEG");
inline constexpr XMP_FileFormat kXMP_TIFFFile = FourCC("TIFF");
inline constexpr XMP_FileFormat kXMP_PNGFile = FourCC("PNG ");
inline constexpr XMP_FileFormat kXMP_GIFFile = FourCC("GIF ");
inline constexpr XMP_FileFormat kXMP_PDFFile = FourCC("PDF ");
inline constexpr XMP_FileFormat kXMP_EPSFile = FourCC("EPS ");
inline constexpr XMP_FileFormat kXMP_PostScriptFile = FourCC("PS  ");
inline constexpr XMP_FileFormat kXMP_AIFFFile = FourCC("AIFF");
inline constexpr XMP_FileFormat kXMP_WAVFile = FourCC("WAV ");
inline constexpr XMP_FileFormat kXMP_AVIFile = FourCC("AVI ");
inline constexpr XMP_FileFormat kXMP_MP3File = FourCC("MP3 ");
inline constexpr XMP_FileFormat kXMP_MPEG4File = FourCC("MP4 ");
inline constexpr XMP_FileFormat kXMP_MOVFile = FourCC("MOV ");
inline constexpr XMP_FileFormat kXMP_WMAVFile = FourCC("WMAV");
inline constexpr XMP_FileFormat kXMP_MPEG2File = FourCC("MP2 ");
inline constexpr XMP_FileFormat kXMP_MPEGFile = FourCC("MPEG");
inline constexpr XMP_FileFormat kXMP_CinemaFile = FourCC("CIN ");
inline constexpr XMP_FileFormat kXMP_FLVFile = FourCC("FLV ");
inline constexpr XMP_FileFormat kXMP_UCFFile = FourCC("UCF ");
// Application documents our engine knows: layered raster documents and vector drawings.
inline constexpr XMP_FileFormat kXMP_PhotoshopFile = FourCC("PSD ");
inline constexpr XMP_FileFormat kXMP_IllustratorFile = FourCC("AICF");

// OpenFile options.
inline constexpr XMP_OptionBits kXMPFiles_OpenForRead = 0x1;
inline constexpr XMP_OptionBits kXMPFiles_OpenForUpdate = 0x2;
// Scan the whole file for packets when no format handler takes it ...
inline constexpr XMP_OptionBits kXMPFiles_OpenUsePacketScanning = 0x40;
// ... or only its head and tail, where packets of text formats sit.
inline constexpr XMP_OptionBits kXMPFiles_OpenLimitedScanning = 0x80;

// CloseFile options. Updates are always written beside the file and renamed over it; the bit
// is accepted for callers that ask for it by name.
inline constexpr XMP_OptionBits kXMPFiles_UpdateSafely = 0x1;

// Handler capability bits (GetFileInfo).
inline constexpr XMP_OptionBits kXMPFiles_CanInjectXMP =
    0x1;  // can add a packet to a file without one
inline constexpr XMP_OptionBits kXMPFiles_CanExpand = 0x2;   // can write a packet of any length
inline constexpr XMP_OptionBits kXMPFiles_CanRewrite = 0x4;  // rebuilds the container around it
inline constexpr XMP_OptionBits kXMPFiles_InPlaceOnly =
    0x8;  // writes only over the old packet's bytes
inline constexpr XMP_OptionBits kXMPFiles_IsPacketScanner = 0x10;

// Where a packet was found. offset is -1 when the packet is not stored contiguously (JPEG
// extended XMP, or nothing found).
struct XMPPacketInfo {
    std::int64_t offset = -1;
    std::int64_t length = 0;
    std::int64_t padding = 0;  // whitespace before "<?xpacket end"
    bool writeable = false;
};

// Largest packet (and largest file-sized allocation) any handler accepts.
inline constexpr std::uint64_t kMaxPacketBytes = 100u * 1024 * 1024;

}  // namespace xmp
