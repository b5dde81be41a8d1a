#pragma once
// Minimal but valid audio/video containers built byte by byte (no encoder is installed for
// them): WAV, AVI, AIFF, MP4 and MP3, each with recognisable media bytes.
#include <cstdint>
#include <string>

namespace xmptest {

inline std::string Le32(std::uint32_t v) {
    return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}
inline std::string Be32(std::uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}
inline std::string Chunk(const std::string& id, const std::string& data, bool bigEndian) {
    std::string c = id + (bigEndian ? Be32(data.size()) : Le32(data.size())) + data;
    return data.size() % 2 ? c + '\0' : c;
}

// Recognisable media bytes, so tests can check they are untouched.
inline std::string MediaBytes(std::size_t n) {
    std::string bytes(n, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    }
    return bytes;
}

inline std::string Wav(const std::string& extraChunks = "") {
    std::string fmt = std::string("\x01\x00\x01\x00", 4) + Le32(8000) + Le32(8000) +
                      std::string("\x01\x00\x08\x00", 4);
    std::string body =
        "WAVE" + Chunk("fmt ", fmt, false) + extraChunks + Chunk("data", MediaBytes(4001), false);
    return "RIFF" + Le32(body.size()) + body;
}

inline std::string Avi() {
    std::string avih = std::string(56, '\0');
    std::string hdrl = "LIST" + Le32(4 + 8 + avih.size()) + "hdrl" + Chunk("avih", avih, false);
    std::string frame = Chunk("00dc", MediaBytes(300), false);
    std::string movi = "LIST" + Le32(4 + frame.size()) + "movi" + frame;
    std::string body =
        "AVI " + hdrl + movi + Chunk("idx1", "00dc" + Le32(0x10) + Le32(4) + Le32(300), false);
    return "RIFF" + Le32(body.size()) + body;
}

inline std::string Aiff() {
    std::string comm = std::string("\x00\x01", 2) + Be32(300) + std::string("\x00\x08", 2) +
                       std::string("\x40\x0C\xFA\x00\x00\x00\x00\x00\x00\x00", 10);
    std::string ssnd = Be32(0) + Be32(0) + MediaBytes(300);
    std::string body = "AIFF" + Chunk("COMM", comm, true) + Chunk("SSND", ssnd, true);
    return "FORM" + Be32(body.size()) + body;
}

inline std::string Box(const std::string& type, const std::string& payload) {
    return Be32(8 + payload.size()) + type + payload;
}

inline std::string Mp4(const std::string& afterFtyp = "") {
    return Box("ftyp", "isom" + Be32(512) + "isommp41") + afterFtyp +
           Box("moov", Box("mvhd", std::string(100, '\0'))) + Box("mdat", MediaBytes(5000));
}

inline std::string MpegFrames() {
    // MPEG-1 layer III, 128 kbit/s, 44.1 kHz: 417-byte frames.
    std::string frames;
    for (int i = 0; i < 4; ++i) {
        frames += std::string("\xFF\xFB\x90\x00", 4) + MediaBytes(413);
    }
    return frames;
}

inline std::string Mp3WithTag() {
    std::string text = std::string("\x03", 1) + "A song";
    std::string frame = "TIT2" + Be32(text.size()) + std::string(2, '\0') + text;
    std::string tag = frame + std::string(100, '\0');  // padding
    std::string size = {char(tag.size() >> 21 & 0x7F), char(tag.size() >> 14 & 0x7F),
                        char(tag.size() >> 7 & 0x7F), char(tag.size() & 0x7F)};
    return std::string("ID3\x03\x00\x00", 6) + size + tag + MpegFrames();
}

}  // namespace xmptest
