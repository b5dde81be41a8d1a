#pragma once

#include <cstdint>

#include "HXJPEG/common/FrameInfo.h"
#include "HXJPEG/decoder/HuffmanDecodeTable.h"

namespace HXJPEG {

// The decoder's event interface: what it has just parsed or decoded, in file order. The lossless
// transforms implement it to collect quantised coefficient blocks without decoding to pixels.
// Block events (OnBlockDecoded, OnBlockNatural) arrive per component in decoding order: MCU by
// MCU, within an MCU the component's H x V blocks row by row, padding blocks included.
class DecodeContentHandler {
public:
    virtual ~DecodeContentHandler() = default;

    virtual void OnStartOfImage() = 0;
    virtual void OnEndOfImage() = 0;
    // precision 0 = 8-bit, 1 = 16-bit; values in natural order.
    virtual void OnQuantTable(uint8_t precision, const uint16_t values[64],
                              uint8_t tableNumber) = 0;
    virtual void OnRestartInterval(uint16_t interval) = 0;
    virtual void OnFrame(uint16_t width, uint16_t height, const FrameComponent* components,
                         uint8_t componentCount) = 0;
    virtual void OnDCHuffmanTable(const HuffmanDecodeTable& table, int tableCount) = 0;
    virtual void OnACHuffmanTable(const HuffmanDecodeTable& table, int tableCount) = 0;
    virtual void OnScan(const ScanHeader& scan) = 0;
    // Quantised coefficients in zig-zag order, as entropy-decoded (single-pass decoding only).
    virtual void OnBlockDecoded(const int16_t* zigZag, int component, int blockCount) = 0;
    // Quantised coefficients in natural (row-major) order.
    virtual void OnBlockNatural(const int16_t* natural, int component, int blockCount) = 0;
    // Asked once after the frame header: non-zero stops decoding with that code.
    virtual int32_t QueryAfterFrame() = 0;
};

// Does nothing; the decoder's handler until another is set.
class DefaultDecodeContentHandler : public DecodeContentHandler {
public:
    void OnStartOfImage() override {}
    void OnEndOfImage() override {}
    void OnQuantTable(uint8_t, const uint16_t[64], uint8_t) override {}
    void OnRestartInterval(uint16_t) override {}
    void OnFrame(uint16_t, uint16_t, const FrameComponent*, uint8_t) override {}
    void OnDCHuffmanTable(const HuffmanDecodeTable&, int) override {}
    void OnACHuffmanTable(const HuffmanDecodeTable&, int) override {}
    void OnScan(const ScanHeader&) override {}
    void OnBlockDecoded(const int16_t*, int, int) override {}
    void OnBlockNatural(const int16_t*, int, int) override {}
    int32_t QueryAfterFrame() override { return 0; }
};

}  // namespace HXJPEG
