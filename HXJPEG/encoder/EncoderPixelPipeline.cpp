// The encoder's pixel pipeline: bands read from the tile source, colour conversion, forward
// DCT and quantisation, then statistics (first pass) or entropy coding (second pass), or
// preparation into the coefficient store for the whole-image modes.
#include "HXJPEG/encoder/JPEGEncoder.h"

#include <algorithm>

#include "HXJPEG/encoder/BlockPreparation.h"

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

}  // namespace

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

}  // namespace HXJPEG
