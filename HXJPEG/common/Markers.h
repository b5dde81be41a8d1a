#pragma once

#include <cstdint>

// JPEG marker codes (ITU T.81 Table B.1): the byte that follows 0xFF.
namespace HXJPEG::marker {

inline constexpr uint8_t kSOF0 = 0xC0;  // baseline sequential, Huffman
inline constexpr uint8_t kSOF1 = 0xC1;  // extended sequential, Huffman
inline constexpr uint8_t kSOF2 = 0xC2;  // progressive, Huffman
inline constexpr uint8_t kSOF3 = 0xC3;  // lossless (unsupported)
inline constexpr uint8_t kDHT = 0xC4;
inline constexpr uint8_t kSOF5 = 0xC5;
inline constexpr uint8_t kSOF7 = 0xC7;
inline constexpr uint8_t kJPG = 0xC8;
inline constexpr uint8_t kSOF9 = 0xC9;
inline constexpr uint8_t kSOF11 = 0xCB;
inline constexpr uint8_t kDAC = 0xCC;
inline constexpr uint8_t kSOF13 = 0xCD;
inline constexpr uint8_t kSOF15 = 0xCF;
inline constexpr uint8_t kRST0 = 0xD0;
inline constexpr uint8_t kRST7 = 0xD7;
inline constexpr uint8_t kSOI = 0xD8;
inline constexpr uint8_t kEOI = 0xD9;
inline constexpr uint8_t kSOS = 0xDA;
inline constexpr uint8_t kDQT = 0xDB;
inline constexpr uint8_t kDNL = 0xDC;
inline constexpr uint8_t kDRI = 0xDD;
inline constexpr uint8_t kAPP0 = 0xE0;
inline constexpr uint8_t kAPP14 = 0xEE;
inline constexpr uint8_t kAPP15 = 0xEF;
inline constexpr uint8_t kCOM = 0xFE;

inline constexpr bool IsRestart(uint8_t code) {
    return code >= kRST0 && code <= kRST7;
}
inline constexpr bool IsApp(uint8_t code) {
    return code >= kAPP0 && code <= kAPP15;
}

// Frame kinds the codec does not decode: lossless, hierarchical and arithmetic-coded.
inline constexpr bool IsUnsupportedFrame(uint8_t code) {
    return code == kSOF3 || (code >= kSOF5 && code <= kSOF7) || (code >= kSOF9 && code <= kSOF11) ||
           (code >= kSOF13 && code <= kSOF15);
}

}  // namespace HXJPEG::marker
