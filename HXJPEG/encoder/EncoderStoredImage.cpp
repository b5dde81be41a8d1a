// Writing from stored coefficients: the whole-image modes' store, sequential and progressive
// scans from it, and the coefficient blocks of the lossless transforms.
#include "HXJPEG/encoder/JPEGEncoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "HXJPEG/encoder/BlockPreparation.h"
#include "HXJPEG/encoder/ProgressiveACScan.h"

namespace HXJPEG {

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

}  // namespace HXJPEG
