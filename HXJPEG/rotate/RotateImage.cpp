// Lossless quarter turns and the half turn in the DCT domain.
#include <cstring>
#include <memory>
#include <vector>

#include "HXJPEG.h"
#include "HXJPEG/decoder/JPEGDecoder.h"
#include "HXJPEG/encoder/JPEGEncoder.h"
#include "HXJPEG/rotate/RotateContentHandler.h"
#include "HXJPEG/rotate/RotateImage.h"

namespace {

std::unique_ptr<HXJPEG::RotateContentHandler> MakeHandler(uint32_t transform) {
    switch (transform) {
        case HXJPEG_TRANSFORM_CLOCKWISE:
            return std::make_unique<HXJPEG::ClockwiseRotateContentHandler>();
        case HXJPEG_TRANSFORM_180:
            return std::make_unique<HXJPEG::FlipRotateContentHandler>();
        case HXJPEG_TRANSFORM_ANTICLOCKWISE:
            return std::make_unique<HXJPEG::AntiClockwiseRotateContentHandler>();
        default:
            return std::make_unique<HXJPEG::RotateContentHandler>();
    }
}

// Source APPn segments are not carried over; only the APP14 "Quarn" transform byte is noted,
// so that plain CMYK stays plain CMYK in the output.
struct App14Probe {
    std::vector<uint8_t> buffer;
    uint8_t transform = 1;

    HXJPEGMetaDataHandler Handler() { return {this, &Begin, &End}; }
    static void Begin(void* self, uint8_t appIndex, uint16_t length, uint8_t** out) {
        auto* probe = static_cast<App14Probe*>(self);
        if (appIndex == 14 && length >= 12) {
            probe->buffer.resize(length);
            *out = probe->buffer.data();
        }
    }
    static void End(void* self, uint8_t appIndex, uint16_t length, uint8_t* data, bool complete) {
        auto* probe = static_cast<App14Probe*>(self);
        if (appIndex == 14 && complete && length >= 12) {
            probe->transform = std::memcmp(data, "Quarn", 5) == 0 && data[11] == 0 ? 0 : 1;
        }
    }
};

}  // namespace

namespace HXJPEG {

int32_t RotateImage(const HXJPEGReader& reader, const HXJPEGWriter& writer,
                    const HXJPEGRotateOptions& options) {
    std::unique_ptr<HXJPEG::RotateContentHandler> handler = MakeHandler(options.transform);
    App14Probe probe;
    HXJPEGMetaDataHandler probeHandler = probe.Handler();
    {
        HXJPEG::JPEGDecoder decoder(reader, HXJPEGDecodeOptions{1, 1}, false, nullptr);
        decoder.SetContentHandler(handler.get());
        HXJPEGHeader header{};
        int32_t result = decoder.ReadHeader(&probeHandler, &header);
        if (result == HXJPEG_OK) {
            result = handler->Result();
        }
        if (result == HXJPEG_OK) {
            result = decoder.ReadCoefficients(HXJPEG::JPEGDecoder::kModeCoefficients |
                                              HXJPEG::JPEGDecoder::kModeFull);
        }
        if (result != HXJPEG_OK) {
            return result;
        }
    }
    HXJPEG::JPEGEncoder encoder(writer, options.encodeOptions);
    encoder.SetColorTransform(probe.transform);
    return encoder.WriteCoefficients(handler->OutputFrame(), *handler);
}

}  // namespace HXJPEG
