#include "HXJPEG/encoder/JPEGEncoder.h"

#include <algorithm>
#include <cstring>

#include "HXJPEG/common/Markers.h"
#include "HXJPEG/common/ZigZag.h"
#include "HXJPEG/encoder/BlockCoding.h"
#include "HXJPEG/encoder/BlockPreparation.h"
#include "HXJPEG/encoder/ColorConverterCMYK.h"
#include "HXJPEG/encoder/ColorConverterGrey.h"
#include "HXJPEG/encoder/ColorConverterRGB.h"
#include "HXJPEG/encoder/ForwardDCT.h"
#include "HXJPEG/encoder/ProgressiveACScan.h"
#include "HXJPEG/encoder/QualityTables.h"

namespace HXJPEG {
namespace {

// Band-wise encoding estimates the statistics from a sample of the MCUs: a sampling
// percentage of 10 gives every (10 + 99) / 10 = 10th MCU column.
constexpr uint32_t kSamplingPercent = 10;
constexpr uint32_t kSamplingStep = (kSamplingPercent + 99) / kSamplingPercent;

// The second pass converts a band's pixels this many MCUs (an even number, so that the MCU
// pairs of TransformMcus never straddle two pieces) at a time, just before their transform:
// the samples are still in the first-level cache when the transform reads them.
constexpr uint32_t kConvertChunkMcus = 32;

// The most blocks one MCU can have (JPEG B.2.3).
constexpr uint32_t kMaxBlocksPerMcu = 10;

// "Quarn" APP14: version 100, flags0 0xC000, flags1 0, transform 1 (YCbCr / YCCK).
constexpr uint8_t kApp14Segment[] = {0xFF, 0xEE, 0x00, 0x0E, 'Q',  'u',  'a',  'r',
                                     'n',  0x00, 0x64, 0xC0, 0x00, 0x00, 0x00, 0x01};

}  // namespace

JPEGEncoder::JPEGEncoder(HXJPEGWriter writer, HXJPEGEncodeOptions options)
    : stream_(writer), bits_(stream_), options_(options) {}

void JPEGEncoder::WriteHeaderOnce() {
    if (outputState_ != 0) {
        return;
    }
    stream_.PutMarker(marker::kSOI);
    stream_.PutBytes(kApp14Segment, sizeof(kApp14Segment) - 1);
    stream_.PutByte(colorTransform_);
    outputState_ = 1;
}

int32_t JPEGEncoder::WriteMetaData(const HXJPEGMetaData& segment) {
    WriteHeaderOnce();
    if (segment.data == nullptr || segment.length >= 65533 || segment.appIndex > 15) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    stream_.PutMarker(static_cast<uint8_t>(marker::kAPP0 + segment.appIndex));
    stream_.PutU16(static_cast<uint16_t>(segment.length + 2));
    stream_.WriteThrough(segment.data, segment.length);
    return HXJPEG_OK;
}

int32_t JPEGEncoder::BulkWriteMetaData(const uint8_t* bytes, uint32_t count) {
    WriteHeaderOnce();
    if (bytes == nullptr) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    stream_.WriteThrough(bytes, count);
    return HXJPEG_OK;
}

bool JPEGEncoder::ApplyModes() {
    if (options_.scanMode > 3 || options_.bandMode > 2) {
        return false;
    }
    scanKind_ = options_.scanMode == 3   ? ScanKind::kProgressive
                : options_.scanMode == 2 ? ScanKind::kExtended
                                         : ScanKind::kBaseline;
    wholeImage_ = options_.bandMode == 2 || options_.scanMode >= 2;
    return true;
}

int32_t JPEGEncoder::SetUpFromQuality(const HXJPEGHeader& header) {
    const uint32_t quality = options_.quality;
    if (quality > kMaxQuality || header.colorSpace == HXJPEG_COLOR_DEFAULT || !ApplyModes()) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    const uint8_t count = header.colorSpace == HXJPEG_COLOR_GREY   ? 1
                          : header.colorSpace == HXJPEG_COLOR_CMYK ? 4
                                                                   : 3;
    if (header.numComponents != count || header.width == 0 || header.height == 0) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    for (EncoderQuantTable& table : quantTables_) {
        table.defined = false;
    }
    frame_ = EncodeFrame{};
    frame_.width = header.width;
    frame_.height = header.height;
    frame_.count = count;
    const bool subsampled = count == 3 && quality <= kLastSubsampledQuality;
    for (uint32_t i = 0; i < count; ++i) {
        EncodeComponent& component = frame_.components[i];
        component.quantTable = (count == 3 && i > 0) ? 1 : 0;
        component.h = component.v = (subsampled && i == 0) ? 2 : 1;
    }
    frame_.Complete();
    quantTables_[0].Set(kLuminanceTables[quality]);
    if (count == 3) {
        quantTables_[1].Set(kChrominanceTables[quality]);
    }
    channels_ = count;
    if (count == 1) {
        converter_ = std::make_unique<ColorConverterGrey>();
    } else if (count == 4) {
        converter_ = std::make_unique<ColorConverterCMYK>();
    } else {
        converter_ = std::make_unique<ColorConverterRGB>(subsampled);
    }
    AssignHuffmanTables();
    return HXJPEG_OK;
}

void JPEGEncoder::AssignHuffmanTables() {
    for (uint32_t i = 0; i < frame_.count; ++i) {
        const uint8_t table =
            scanKind_ == ScanKind::kBaseline ? (i == 0 ? 0 : 1) : static_cast<uint8_t>(i);
        frame_.components[i].dcTable = table;
        frame_.components[i].acTable = table;
    }
    for (uint32_t t = 0; t < 4; ++t) {
        dcTables_[t].defined = false;
        acTables_[t].defined = false;
        dcTables_[t].ClearFrequencies();
        acTables_[t].ClearFrequencies();
    }
}

void JPEGEncoder::ResetPredictors() {
    std::memset(predictors_, 0, sizeof(predictors_));
}

int32_t JPEGEncoder::WriteTiledContent(const HXJPEGHeader& header,
                                       const HXJPEGTiledContentReader& source) {
    const int32_t setUp = SetUpFromQuality(header);
    if (setUp != HXJPEG_OK) {
        return setUp;
    }
    AllocateBands();
    if (wholeImage_) {
        AllocateStore();
    }
    WriteHeaderOnce();
    WriteFrameMarkers();

    const bool begun =
        source.begin == nullptr || source.begin(source.userData, 8u * frame_.vmax, frame_.width);
    int32_t result = HXJPEG_ERR_TILE_CALLBACK;
    if (begun) {
        result = wholeImage_ ? EncodePixelsWholeImage(source) : EncodePixelsBandwise(source);
    }
    if (result == HXJPEG_OK) {
        WriteEndOfImage();
    }
    if (source.end != nullptr) {
        source.end(source.userData);
    }
    if (result == HXJPEG_OK) {
        stream_.Finish();
    }
    ReleaseImageBuffers();
    return result;
}

void JPEGEncoder::AllocateBands() {
    for (uint32_t i = 0; i < frame_.count; ++i) {
        const EncodeComponent& component = frame_.components[i];
        bands_[i].stride = component.blocksAcross * 8;
        bands_[i].rows = component.v * 8u;
        bandSamples_[i].assign(static_cast<size_t>(bands_[i].stride) * bands_[i].rows, 0);
        bands_[i].samples = bandSamples_[i].data();
    }
    PlanBlockPairs();
}

void JPEGEncoder::PlanBlockPairs() {
    pairTransform_ = ActiveForwardDCTPair();
    pairPlan_.clear();
    slotPlan_.clear();
    for (uint32_t m = 0; m < 2; ++m) {
        for (uint32_t c = 0; c < frame_.count; ++c) {
            const EncodeComponent& component = frame_.components[c];
            for (uint32_t b = 0; b < frame_.BlocksPerMcu(c); ++b) {
                slotPlan_.push_back(SlotCoding{static_cast<uint8_t>(c),
                                               &dcTables_[component.dcTable],
                                               &acTables_[component.acTable]});
            }
        }
    }
    uint32_t blocksPerMcu = 0;
    for (uint32_t c = 0; c < frame_.count; ++c) {
        blocksPerMcu += frame_.BlocksPerMcu(c);
    }
    uint32_t first = 0;  // this component's first block in an MCU
    for (uint32_t c = 0; c < frame_.count; ++c) {
        const EncodeComponent& component = frame_.components[c];
        // Where block column `column` (0 .. 2h - 1 over the two MCUs) of block row `row` goes.
        auto slot = [&](uint32_t row, uint32_t column) {
            return static_cast<uint8_t>((column / component.h) * blocksPerMcu + first +
                                        row * component.h + column % component.h);
        };
        for (uint32_t row = 0; row < component.v; ++row) {
            for (uint32_t column = 0; column < 2u * component.h; column += 2) {
                pairPlan_.push_back(BlockPair{static_cast<uint8_t>(c), slot(row, column),
                                              slot(row, column + 1),
                                              size_t{row} * 8 * bands_[c].stride + column * 8});
            }
        }
        first += frame_.BlocksPerMcu(c);
    }
}

void JPEGEncoder::AllocateStore() {
    for (uint32_t i = 0; i < frame_.count; ++i) {
        const EncodeComponent& component = frame_.components[i];
        store_[i].Assign(static_cast<size_t>(component.blocksAcross) * component.blocksDown * 64);
    }
}

void JPEGEncoder::ReleaseImageBuffers() {
    for (uint32_t i = 0; i < 4; ++i) {
        std::vector<int16_t>().swap(bandSamples_[i]);
        store_[i].Release();
        bands_[i] = ComponentBand{};
    }
    converter_.reset();
}

uint16_t* JPEGEncoder::StoreBlock(uint32_t component, uint32_t mcuRow, uint32_t mcuColumn,
                                  uint32_t blockInMcu) {
    const size_t mcu = static_cast<size_t>(mcuRow) * frame_.mcusAcross + mcuColumn;
    return store_[component].data() + (mcu * frame_.BlocksPerMcu(component) + blockInMcu) * 64;
}

int32_t JPEGEncoder::ReadBand(const HXJPEGTiledContentReader& source, uint32_t band,
                              HXJPEGImageContent& content, uint32_t& rows) {
    const uint32_t bandHeight = 8u * frame_.vmax;
    const uint32_t top = band * bandHeight;
    rows = std::min(bandHeight, uint32_t{frame_.height} - top);
    HXJPEGRect rect{static_cast<uint16_t>(top), 0, static_cast<uint16_t>(rows), frame_.width};
    content = HXJPEGImageContent{};
    if (source.getTile == nullptr || !source.getTile(source.userData, rect, &content)) {
        return HXJPEG_ERR_TILE_CALLBACK;
    }
    for (uint32_t i = 0; i < channels_; ++i) {
        if (content.planes[i] == nullptr) {
            return HXJPEG_ERR_INVALID_ARGUMENT;
        }
    }
    return HXJPEG_OK;
}

void JPEGEncoder::ConvertBand(const HXJPEGImageContent& content, uint32_t rows, uint32_t firstMcu,
                              uint32_t endMcu) {
    const uint32_t mcuWidth = 8u * frame_.hmax;
    BandWindow window;
    window.left = firstMcu * mcuWidth;
    window.right = std::min(endMcu, frame_.mcusAcross) * mcuWidth;
    window.imageWidth = frame_.width;
    window.inputRows = rows;
    converter_->Convert(content, window, bands_);
}

const int16_t* JPEGEncoder::TransformBlock(uint32_t component, uint32_t mcuColumn,
                                           uint32_t blockInMcu, int16_t* block) {
    const EncodeComponent& c = frame_.components[component];
    const uint32_t blockRow = blockInMcu / c.h;
    const uint32_t blockColumn = mcuColumn * c.h + blockInMcu % c.h;
    const ComponentBand& band = bands_[component];
    ForwardDCTQuantise(
        band.samples + static_cast<size_t>(blockRow) * 8 * band.stride + blockColumn * 8,
        band.stride, quantTables_[c.quantTable], block);
    return block;
}

uint32_t JPEGEncoder::TransformMcus(uint32_t mcu, int16_t (*out)[64], uint64_t* nonZero) {
    if (mcu + 1 >= frame_.mcusAcross) {
        uint32_t slot = 0;
        for (uint32_t c = 0; c < frame_.count; ++c) {
            for (uint32_t b = 0; b < frame_.BlocksPerMcu(c); ++b, ++slot) {
                TransformBlock(c, mcu, b, out[slot]);
                nonZero[slot] = NonZeroMask(reinterpret_cast<const uint16_t*>(out[slot]));
            }
        }
        return 1;
    }
    for (const BlockPair& pair : pairPlan_) {
        const EncodeComponent& component = frame_.components[pair.component];
        const ComponentBand& band = bands_[pair.component];
        uint64_t masks[2];
        pairTransform_(band.samples + pair.sampleOffset + size_t{mcu} * component.h * 8,
                       band.stride, quantTables_[component.quantTable], out[pair.first],
                       out[pair.second], masks);
        nonZero[pair.first] = masks[0];
        nonZero[pair.second] = masks[1];
    }
    return 2;
}

int32_t JPEGEncoder::EncodePixelsBandwise(const HXJPEGTiledContentReader& source) {
    alignas(16) int16_t block[64];
    alignas(32) int16_t blocks[2 * kMaxBlocksPerMcu][64];
    uint64_t nonZero[2 * kMaxBlocksPerMcu];
    HXJPEGImageContent content;
    uint32_t rows = 0;

    // First pass: statistics of every tenth MCU column.
    ResetPredictors();
    for (uint32_t band = 0; band < frame_.mcusDown; ++band) {
        const int32_t read = ReadBand(source, band, content, rows);
        if (read != HXJPEG_OK) {
            return read;
        }
        for (uint32_t mcu = 0; mcu < frame_.mcusAcross; mcu += kSamplingStep) {
            ConvertBand(content, rows, mcu, mcu + 1);
            for (uint32_t c = 0; c < frame_.count; ++c) {
                const EncodeComponent& component = frame_.components[c];
                for (uint32_t b = 0; b < frame_.BlocksPerMcu(c); ++b) {
                    PrepareBlock(TransformBlock(c, mcu, b, block), predictors_[c],
                                 dcTables_[component.dcTable], acTables_[component.acTable],
                                 nullptr);
                }
            }
        }
    }
    BuildTables(true);
    WriteHuffmanTables();
    WriteScanHeader(nullptr, frame_.count, 0, 63);

    // Second pass: every MCU, entropy-coded at once.
    ResetPredictors();
    for (uint32_t band = 0; band < frame_.mcusDown; ++band) {
        const int32_t read = ReadBand(source, band, content, rows);
        if (read != HXJPEG_OK) {
            return read;
        }
        for (uint32_t mcu = 0; mcu < frame_.mcusAcross;) {
            if (mcu % kConvertChunkMcus == 0) {
                ConvertBand(content, rows, mcu, mcu + kConvertChunkMcus);
            }
            const uint32_t done = TransformMcus(mcu, blocks, nonZero);
            const uint32_t count = done * static_cast<uint32_t>(slotPlan_.size()) / 2;
            for (uint32_t slot = 0; slot < count; ++slot) {
                const SlotCoding& coding = slotPlan_[slot];
                EncodeBlock<false>(bits_, reinterpret_cast<const uint16_t*>(blocks[slot]),
                                   nonZero[slot], predictors_[coding.component], *coding.dc,
                                   *coding.ac);
            }
            mcu += done;
        }
    }
    bits_.FlushScan();
    return HXJPEG_OK;
}

int32_t JPEGEncoder::EncodePixelsWholeImage(const HXJPEGTiledContentReader& source) {
    alignas(32) int16_t blocks[2 * kMaxBlocksPerMcu][64];
    uint64_t nonZero[2 * kMaxBlocksPerMcu];
    HXJPEGImageContent content;
    uint32_t rows = 0;
    ResetPredictors();
    for (uint32_t band = 0; band < frame_.mcusDown; ++band) {
        const int32_t read = ReadBand(source, band, content, rows);
        if (read != HXJPEG_OK) {
            return read;
        }
        for (uint32_t mcu = 0; mcu < frame_.mcusAcross;) {
            if (mcu % kConvertChunkMcus == 0) {
                ConvertBand(content, rows, mcu, mcu + kConvertChunkMcus);
            }
            const uint32_t done = TransformMcus(mcu, blocks, nonZero);
            uint32_t slot = 0;
            for (uint32_t m = 0; m < done; ++m) {
                for (uint32_t c = 0; c < frame_.count; ++c) {
                    const EncodeComponent& component = frame_.components[c];
                    for (uint32_t b = 0; b < frame_.BlocksPerMcu(c); ++b, ++slot) {
                        PrepareBlock(blocks[slot], nonZero[slot], predictors_[c],
                                     dcTables_[component.dcTable], acTables_[component.acTable],
                                     StoreBlock(c, band, mcu + m, b));
                    }
                }
            }
            mcu += done;
        }
    }
    WriteStoredImage();
    return HXJPEG_OK;
}

int32_t JPEGEncoder::WriteCoefficients(const CoefficientFrame& frame, DCTReader& source) {
    if (!ApplyModes() || frame.count < 1 || frame.count > 4 || frame.width == 0 ||
        frame.height == 0) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    frame_ = EncodeFrame{};
    frame_.width = frame.width;
    frame_.height = frame.height;
    frame_.count = frame.count;
    for (uint32_t t = 0; t < 4; ++t) {
        quantTables_[t].defined = false;
    }
    for (uint32_t i = 0; i < frame.count; ++i) {
        const uint8_t table = frame.quantTable[i];
        if (table > 3 || !frame.tableDefined[table] || frame.h[i] < 1 || frame.h[i] > 4 ||
            frame.v[i] < 1 || frame.v[i] > 4) {
            return HXJPEG_ERR_INVALID_ARGUMENT;
        }
        frame_.components[i].h = frame.count == 1 ? 1 : frame.h[i];
        frame_.components[i].v = frame.count == 1 ? 1 : frame.v[i];
        frame_.components[i].quantTable = table;
        quantTables_[table].Set(frame.tables[table].values);
    }
    frame_.Complete();
    AssignHuffmanTables();
    AllocateStore();
    WriteHeaderOnce();
    WriteFrameMarkers();

    alignas(16) int16_t block[64];
    ResetPredictors();
    for (uint32_t row = 0; row < frame_.mcusDown; ++row) {
        for (uint32_t mcu = 0; mcu < frame_.mcusAcross; ++mcu) {
            for (uint32_t c = 0; c < frame_.count; ++c) {
                const EncodeComponent& component = frame_.components[c];
                for (uint32_t b = 0; b < frame_.BlocksPerMcu(c); ++b) {
                    if (!source.Read(block, 64, c)) {
                        std::memset(block, 0, sizeof(block));
                    }
                    // An 8-bit JPEG cannot carry larger values; only a damaged source has them.
                    block[0] = static_cast<int16_t>(std::clamp<int>(block[0], -1024, 1023));
                    for (int k = 1; k < 64; ++k) {
                        block[k] = static_cast<int16_t>(std::clamp<int>(block[k], -1023, 1023));
                    }
                    PrepareBlock(block, predictors_[c], dcTables_[component.dcTable],
                                 acTables_[component.acTable], StoreBlock(c, row, mcu, b));
                }
            }
        }
    }
    WriteStoredImage();
    WriteEndOfImage();
    stream_.Finish();
    ReleaseImageBuffers();
    return HXJPEG_OK;
}

void JPEGEncoder::WriteStoredImage() {
    if (scanKind_ == ScanKind::kProgressive) {
        CountProgressiveFrequencies();
        BuildTables(false);
        WriteHuffmanTables();
        WriteProgressiveFromStore();
    } else {
        BuildTables(false);
        WriteHuffmanTables();
        WriteScanHeader(nullptr, frame_.count, 0, 63);
        WriteSequentialFromStore();
    }
}

void JPEGEncoder::WriteSequentialFromStore() {
    ResetPredictors();
    for (uint32_t row = 0; row < frame_.mcusDown; ++row) {
        for (uint32_t mcu = 0; mcu < frame_.mcusAcross; ++mcu) {
            for (uint32_t c = 0; c < frame_.count; ++c) {
                const EncodeComponent& component = frame_.components[c];
                for (uint32_t b = 0; b < frame_.BlocksPerMcu(c); ++b) {
                    EncodeBlock<true>(bits_, StoreBlock(c, row, mcu, b), predictors_[c],
                                      dcTables_[component.dcTable], acTables_[component.acTable]);
                }
            }
        }
    }
    bits_.FlushScan();
}

std::vector<const uint16_t*> JPEGEncoder::ComponentRasterBlocks(uint32_t component) {
    const EncodeComponent& c = frame_.components[component];
    std::vector<const uint16_t*> blocks;
    blocks.reserve(static_cast<size_t>(c.usedBlocksAcross) * c.usedBlocksDown);
    for (uint32_t y = 0; y < c.usedBlocksDown; ++y) {
        for (uint32_t x = 0; x < c.usedBlocksAcross; ++x) {
            blocks.push_back(StoreBlock(component, y / c.v, x / c.h, (y % c.v) * c.h + (x % c.h)));
        }
    }
    return blocks;
}

// The scan script: one interleaved DC scan, then AC 1..5 of every component, then AC 6..63.
namespace {
constexpr uint32_t kBands[2][2] = {{1, 5}, {6, 63}};
}

void JPEGEncoder::CountProgressiveFrequencies() {
    for (HuffmanEncoderTable& table : acTables_) {
        table.ClearFrequencies();
    }
    for (const auto& band : kBands) {
        for (uint32_t c = 0; c < frame_.count; ++c) {
            const std::vector<const uint16_t*> blocks = ComponentRasterBlocks(c);
            ProgressiveACScan(band[0], band[1])
                .Count(blocks.data(), static_cast<uint32_t>(blocks.size()),
                       acTables_[frame_.components[c].acTable]);
        }
    }
}

void JPEGEncoder::WriteProgressiveFromStore() {
    WriteScanHeader(nullptr, frame_.count, 0, 0);
    ResetPredictors();
    for (uint32_t row = 0; row < frame_.mcusDown; ++row) {
        for (uint32_t mcu = 0; mcu < frame_.mcusAcross; ++mcu) {
            for (uint32_t c = 0; c < frame_.count; ++c) {
                const HuffmanEncoderTable& dc = dcTables_[frame_.components[c].dcTable];
                for (uint32_t b = 0; b < frame_.BlocksPerMcu(c); ++b) {
                    const int16_t value = static_cast<int16_t>(StoreBlock(c, row, mcu, b)[0]);
                    const int32_t difference = value - predictors_[c];
                    predictors_[c] = value;
                    const uint32_t size = MagnitudeCategory(difference);
                    bits_.Put((uint32_t{dc.codes[size]} << size) | MagnitudeBits(difference, size),
                              dc.lengths[size] + size);
                }
            }
        }
    }
    bits_.FlushScan();
    for (const auto& band : kBands) {
        for (uint32_t c = 0; c < frame_.count; ++c) {
            const uint32_t component = c;
            WriteScanHeader(&component, 1, band[0], band[1]);
            const std::vector<const uint16_t*> blocks = ComponentRasterBlocks(c);
            ProgressiveACScan(band[0], band[1])
                .Encode(blocks.data(), static_cast<uint32_t>(blocks.size()),
                        acTables_[frame_.components[c].acTable], bits_);
            bits_.FlushScan();
        }
    }
}

void JPEGEncoder::BuildTables(bool addFloor) {
    bool dcUsed[4] = {};
    bool acUsed[4] = {};
    for (uint32_t c = 0; c < frame_.count; ++c) {
        dcUsed[frame_.components[c].dcTable] = true;
        acUsed[frame_.components[c].acTable] = true;
    }
    for (uint32_t t = 0; t < 4; ++t) {
        dcTables_[t].defined = false;
        acTables_[t].defined = false;
        if (dcUsed[t]) {
            if (addFloor) {
                dcTables_[t].AddDcFloor();
            }
            dcTables_[t].Build();
        }
        if (acUsed[t]) {
            if (addFloor) {
                acTables_[t].AddAcFloor();
            }
            acTables_[t].Build();
        }
    }
}

void JPEGEncoder::WriteEndOfImage() {
    stream_.PutMarker(marker::kEOI);
    stream_.Flush();
}

void JPEGEncoder::WriteFrameMarkers() {
    WriteQuantTables();
    WriteRestartInterval();
    WriteFrameHeader();
}

void JPEGEncoder::WriteQuantTables() {
    uint32_t length = 2;
    for (const EncoderQuantTable& table : quantTables_) {
        if (table.defined) {
            length += 1 + (table.NeedsSixteenBits() ? 128 : 64);
        }
    }
    stream_.PutMarker(marker::kDQT);
    stream_.PutU16(static_cast<uint16_t>(length));
    for (uint32_t t = 0; t < 4; ++t) {
        const EncoderQuantTable& table = quantTables_[t];
        if (!table.defined) {
            continue;
        }
        const bool wide = table.NeedsSixteenBits();
        stream_.PutByte(static_cast<uint8_t>((wide ? 0x10 : 0x00) | t));
        for (int k = 0; k < 64; ++k) {
            const uint16_t value = table.values[kZigZagToNatural[k]];
            if (wide) {
                stream_.PutU16(value);
            } else {
                stream_.PutByte(static_cast<uint8_t>(value));
            }
        }
    }
}

void JPEGEncoder::WriteRestartInterval() {
    stream_.PutMarker(marker::kDRI);
    stream_.PutU16(4);
    stream_.PutU16(0);
}

void JPEGEncoder::WriteFrameHeader() {
    bool wideTables = false;
    for (const EncoderQuantTable& table : quantTables_) {
        wideTables = wideTables || (table.defined && table.NeedsSixteenBits());
    }
    uint8_t code = marker::kSOF0;
    if (scanKind_ == ScanKind::kProgressive) {
        code = marker::kSOF2;
    } else if (scanKind_ == ScanKind::kExtended || wideTables) {
        code = marker::kSOF1;  // baseline allows 8-bit tables only
    }
    stream_.PutMarker(code);
    stream_.PutU16(static_cast<uint16_t>(8 + 3 * frame_.count));
    stream_.PutByte(8);
    stream_.PutU16(frame_.height);
    stream_.PutU16(frame_.width);
    stream_.PutByte(frame_.count);
    for (uint32_t i = 0; i < frame_.count; ++i) {
        const EncodeComponent& component = frame_.components[i];
        stream_.PutByte(static_cast<uint8_t>(i));
        stream_.PutByte(static_cast<uint8_t>((component.h << 4) | component.v));
        stream_.PutByte(component.quantTable);
    }
}

void JPEGEncoder::WriteHuffmanTables() {
    uint32_t length = 2;
    for (uint32_t t = 0; t < 4; ++t) {
        for (const HuffmanEncoderTable* table : {&dcTables_[t], &acTables_[t]}) {
            if (table->defined) {
                length += 17 + table->spec.symbolCount;
            }
        }
    }
    stream_.PutMarker(marker::kDHT);
    stream_.PutU16(static_cast<uint16_t>(length));
    for (uint32_t tableClass = 0; tableClass < 2; ++tableClass) {
        for (uint32_t t = 0; t < 4; ++t) {
            const HuffmanEncoderTable& table = tableClass == 0 ? dcTables_[t] : acTables_[t];
            if (!table.defined) {
                continue;
            }
            stream_.PutByte(static_cast<uint8_t>((tableClass << 4) | t));
            stream_.PutBytes(table.spec.counts + 1, 16);
            stream_.PutBytes(table.spec.symbols, static_cast<uint32_t>(table.spec.symbolCount));
        }
    }
}

void JPEGEncoder::WriteScanHeader(const uint32_t* components, uint32_t count, uint32_t ss,
                                  uint32_t se) {
    stream_.PutMarker(marker::kSOS);
    stream_.PutU16(static_cast<uint16_t>(6 + 2 * count));
    stream_.PutByte(static_cast<uint8_t>(count));
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t index = components != nullptr ? components[i] : i;
        const EncodeComponent& component = frame_.components[index];
        stream_.PutByte(static_cast<uint8_t>(index));
        stream_.PutByte(static_cast<uint8_t>((component.dcTable << 4) | component.acTable));
    }
    stream_.PutByte(static_cast<uint8_t>(ss));
    stream_.PutByte(static_cast<uint8_t>(se));
    stream_.PutByte(0);  // Ah = Al = 0: no successive approximation
}

}  // namespace HXJPEG
