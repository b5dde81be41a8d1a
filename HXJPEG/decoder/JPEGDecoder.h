#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "HXJPEG.h"
#include "HXJPEG/common/FrameInfo.h"
#include "HXJPEG/decoder/BandWriter.h"
#include "HXJPEG/decoder/BlockDecoder.h"
#include "HXJPEG/decoder/CoefficientStore.h"
#include "HXJPEG/decoder/ColorConverter.h"
#include "HXJPEG/decoder/DecodeContentHandler.h"
#include "HXJPEG/decoder/DecodeStatus.h"
#include "HXJPEG/decoder/DecodedFrame.h"
#include "HXJPEG/decoder/HuffmanTableSet.h"
#include "HXJPEG/decoder/InputBuffer.h"
#include "HXJPEG/decoder/QuantTable.h"
#include "HXJPEG/metadata/AppSegmentReader.h"

namespace HXJPEG {

// The JPEG decoder: baseline, extended and progressive Huffman frames, full, half, quarter or
// one-eighth size, pixels delivered band by band to a tile writer, or quantised coefficient blocks
// delivered to a DecodeContentHandler (mode kModeCoefficients).
//
// This class runs the marker loop, parses the table, frame and scan segments and drives the
// scan loops; the work itself belongs to its parts: DecodeStatus (first error, warnings),
// AppSegmentReader (APPn to the caller's metadata handler), BlockDecoder (entropy-coded blocks
// and restart intervals, over an EntropyBitReader), CoefficientStore (multi-scan images) and
// BandWriter (samples to the caller's tiles).
class JPEGDecoder {
public:
    // Mode bits of the marker loop.
    static constexpr uint32_t kModeHeader = 0x02;        // stop before the first scan header
    static constexpr uint32_t kModeFull = 0x04;          // pixels at full size
    static constexpr uint32_t kModeReduced = 0x08;       // pixels at one eighth (transforms)
    static constexpr uint32_t kModeCoefficients = 0x40;  // entropy decoding only, no tile calls
    // Garbage between two segments beyond this ends the stream (see FindMarker).
    static constexpr uint64_t kMaxGarbageBytes = 64u << 20;

    JPEGDecoder(const HXJPEGReader& reader, HXJPEGDecodeOptions options, bool reportWarnings,
                const HXJPEGWarningHandler* warningHandler);
    ~JPEGDecoder() = default;
    JPEGDecoder(const JPEGDecoder&) = delete;
    JPEGDecoder& operator=(const JPEGDecoder&) = delete;

    // Null restores the default (no-op) handler. The handler is borrowed.
    void SetContentHandler(DecodeContentHandler* handler);

    int32_t ReadHeader(const HXJPEGMetaDataHandler* metaDataHandler, HXJPEGHeader* out);
    int32_t ReadContent(uint32_t colorSpace, const HXJPEGTiledContentWriter& sink);
    // For the lossless transforms: mode 0x44 (full) or 0x48 (reduced). Blocks reach the content
    // handler's OnBlockNatural.
    int32_t ReadCoefficients(uint32_t mode);

    bool Reduced() const { return reduced_; }

    // Lowers the limits (values above the defaults count as the defaults). False once the
    // header has been read: the limits must hold for the whole decode.
    bool SetLimits(const HXJPEGDecodeLimits& limits);
    static HXJPEGDecodeLimits DefaultLimits() { return {65535u * 65535u, HXJPEG_MAX_SCANS}; }

    // The size of the pixels delivered: the frame's, or the reduced one.
    int OutputWidth() const;
    int OutputHeight() const;

    // Reads a memory block in place (HXJPEGDecoderCreateUsingData); call before reading.
    void UseMemory(const uint8_t* data, size_t size) { input_.UseMemory(data, size); }

private:
    // Marker loop and segments (JPEGDecoder.cpp).
    void RunMarkerLoop(uint32_t mode);
    bool FindMarker(uint8_t* code);
    bool ReadSegmentLength(uint32_t* payload);
    bool BufferSegment(uint32_t payload);
    void ParseFrame(uint32_t payload);
    void ParseQuantTables(uint32_t payload);
    void ParseHuffmanTables(uint32_t payload);
    void ParseScanHeader(uint32_t payload);
    void ReadRestartInterval(uint32_t payload);
    void ReadAppSegment(uint8_t code, uint32_t payload);

    // Scan loops (JPEGDecoderScans.cpp).
    void DecodeScanIntoStore();
    void DecodeSinglePass();
    bool AllocateStore();

    // Output (JPEGDecoderOutput.cpp).
    void OutputFromStore();
    bool PrepareOutput();
    void DecodeBlockToSamples(const int16_t* zz, int count, int component, int16_t* out,
                              size_t stride);
    void NotifyDecodedBlock(const int16_t* natural, int component);
    bool BeginBand(int bandIndex);
    bool EndBand(int bandIndex);

    HXJPEGDecodeOptions options_;
    HXJPEGDecodeLimits limits_ = DefaultLimits();
    DecodeStatus status_;
    InputBuffer input_;
    std::vector<uint8_t> segment_;  // payload of the segment being parsed

    DefaultDecodeContentHandler defaultHandler_;
    DecodeContentHandler* handler_ = &defaultHandler_;
    AppSegmentReader metaData_;

    // Frame.
    DecodedFrame frame_;
    bool untransformed_ = false;  // APP14 transform 0
    bool reduced_ = false;        // one eighth: one sample per block from its DC term
    int blockSize_ = 8;           // output samples per block side: 8, 4, 2 or 1 (reduced_)

    QuantTable quant_[4];
    HuffmanTableSet huffmanTables_;

    // Scan.
    ScanHeader scan_;
    int scanCount_ = 0;
    uint16_t restartInterval_ = 0;
    BlockDecoder blocks_{input_, huffmanTables_, status_};

    CoefficientStore store_;  // multi-scan images only
    bool storeUsed_ = false;
    bool contentSinglePassDone_ = false;

    // Output.
    uint32_t mode_ = 0;
    bool headerDone_ = false;
    bool contentDone_ = false;
    bool atScan_ = false;  // the marker loop stopped at an SOS whose header is not yet read
    BandWriter output_;
    int chunkMCUs_ = 0;               // MCUs per chunk: 48 / Hmax
    std::vector<int16_t> zzScratch_;  // blocks of one MCU, zig-zag order
};

}  // namespace HXJPEG
