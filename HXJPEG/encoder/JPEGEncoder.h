#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "HXJPEG.h"
#include "HXJPEG/encoder/BitWriter.h"
#include "HXJPEG/encoder/CoefficientFrame.h"
#include "HXJPEG/encoder/ColorConverter.h"
#include "HXJPEG/encoder/ComponentBand.h"
#include "HXJPEG/encoder/DCTReader.h"
#include "HXJPEG/encoder/EncodeFrame.h"
#include "HXJPEG/encoder/EncoderQuantTable.h"
#include "HXJPEG/encoder/ForwardDCT.h"
#include "HXJPEG/encoder/HuffmanEncoderTable.h"
#include "HXJPEG/encoder/JPEGOutputStream.h"
#include "HXJPEG/encoder/ZeroedBuffer.h"

namespace HXJPEG {

// The encoder object behind an HXJPEGEncoder handle: writes SOI and the APP14 segment,
// metadata segments, then one image (from pixels, or from coefficient blocks for the lossless
// transforms) with Huffman tables computed for that image.
class JPEGEncoder {
public:
    JPEGEncoder(HXJPEGWriter writer, HXJPEGEncodeOptions options);

    // SOI and the "Quarn" APP14 segment, once, before anything else.
    void WriteHeaderOnce();

    // Metadata (APPn segments and raw bytes) before the image.
    int32_t WriteMetaData(const HXJPEGMetaData& segment);
    int32_t BulkWriteMetaData(const uint8_t* bytes, uint32_t count);

    int32_t WriteTiledContent(const HXJPEGHeader& header, const HXJPEGTiledContentReader& source);

    // The transform byte of the APP14 segment: 1 (the default) marks YCbCr / YCCK data, 0 plain
    // RGB / CMYK. Lossless transforms keep the source's choice.
    void SetColorTransform(uint8_t transform) { colorTransform_ = transform; }

    // Re-encodes coefficient blocks with the given tables (no forward DCT, `quality` unused).
    int32_t WriteCoefficients(const CoefficientFrame& frame, DCTReader& source);

private:
    enum class ScanKind { kBaseline, kExtended, kProgressive };

    bool ApplyModes();
    int32_t SetUpFromQuality(const HXJPEGHeader& header);
    void AssignHuffmanTables();
    void ResetPredictors();

    // The common encode routine.
    int32_t EncodePixelsBandwise(const HXJPEGTiledContentReader& source);
    int32_t EncodePixelsWholeImage(const HXJPEGTiledContentReader& source);
    int32_t ReadBand(const HXJPEGTiledContentReader& source, uint32_t band,
                     HXJPEGImageContent& content, uint32_t& rows);
    const int16_t* TransformBlock(uint32_t component, uint32_t mcuColumn, uint32_t blockInMcu,
                                  int16_t* block);
    // Transforms MCU `mcu` and, when there is one, the next into `out` (MCU, component, block
    // order) with each block's non-zero bitmap in `nonZero`; returns how many MCUs that was.
    // A component's blocks of two neighbouring MCUs lie side by side in the band, so they go
    // through the transform in horizontal pairs.
    uint32_t TransformMcus(uint32_t mcu, int16_t (*out)[64], uint64_t* nonZero);
    void ConvertBand(const HXJPEGImageContent& content, uint32_t rows, uint32_t firstMcu,
                     uint32_t endMcu);
    void PlanBlockPairs();
    void AllocateBands();
    void AllocateStore();
    void ReleaseImageBuffers();
    uint16_t* StoreBlock(uint32_t component, uint32_t mcuRow, uint32_t mcuColumn,
                         uint32_t blockInMcu);
    void WriteStoredImage();
    void WriteSequentialFromStore();
    void WriteProgressiveFromStore();
    void CountProgressiveFrequencies();
    std::vector<const uint16_t*> ComponentRasterBlocks(uint32_t component);
    void BuildTables(bool addFloor);
    void WriteEndOfImage();

    void WriteFrameMarkers();
    void WriteQuantTables();
    void WriteRestartInterval();
    void WriteFrameHeader();
    void WriteHuffmanTables();
    void WriteScanHeader(const uint32_t* components, uint32_t count, uint32_t ss, uint32_t se);

    JPEGOutputStream stream_;
    BitWriter bits_;
    HXJPEGEncodeOptions options_;
    ScanKind scanKind_ = ScanKind::kBaseline;
    bool wholeImage_ = false;
    int outputState_ = 0;  // 0: nothing written; 1: SOI and APP14 written
    uint8_t colorTransform_ = 1;

    EncoderQuantTable quantTables_[4];
    HuffmanEncoderTable dcTables_[4];
    HuffmanEncoderTable acTables_[4];
    EncodeFrame frame_;
    int16_t predictors_[4] = {};

    // The horizontal block pairs of two neighbouring MCUs: component, the blocks' places in
    // the MCU-ordered output, and the left block's offset in the band from the MCU's corner.
    struct BlockPair {
        uint8_t component;
        uint8_t first;
        uint8_t second;
        size_t sampleOffset;
    };
    std::vector<BlockPair> pairPlan_;
    ForwardDCTPairFunction pairTransform_ = nullptr;
    // Component and Huffman tables of each block of two MCUs, in the order TransformMcus
    // leaves them.
    struct SlotCoding {
        uint8_t component;
        const HuffmanEncoderTable* dc;
        const HuffmanEncoderTable* ac;
    };
    std::vector<SlotCoding> slotPlan_;

    std::unique_ptr<ColorConverter> converter_;
    uint32_t channels_ = 0;
    std::vector<int16_t> bandSamples_[4];
    ComponentBand bands_[4];
    ZeroedBuffer<uint16_t> store_[4];  // whole-image modes: packed blocks in MCU order
};

}  // namespace HXJPEG
