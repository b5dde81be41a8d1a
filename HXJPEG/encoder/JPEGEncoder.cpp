// The encoder object: options and tables from the quality, metadata, and the order of one
// encode (pixels or stored coefficients, then the Huffman tables and the markers).
#include "HXJPEG/encoder/JPEGEncoder.h"

#include <cstring>
#include <memory>

#include "HXJPEG/encoder/ColorConverterCMYK.h"
#include "HXJPEG/encoder/ColorConverterGrey.h"
#include "HXJPEG/encoder/ColorConverterRGB.h"
#include "HXJPEG/encoder/QualityTables.h"
#include "HXJPEG/metadata/AppSegmentWriter.h"

namespace HXJPEG {

JPEGEncoder::JPEGEncoder(HXJPEGWriter writer, HXJPEGEncodeOptions options)
    : stream_(writer), bits_(stream_), options_(options) {}

int32_t JPEGEncoder::WriteMetaData(const HXJPEGMetaData& segment) {
    WriteHeaderOnce();
    return WriteAppSegment(stream_, segment);
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

}  // namespace HXJPEG
