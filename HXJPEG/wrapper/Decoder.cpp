#include "HXJPEG/wrapper/Decoder.h"

namespace HXJPEG {

Decoder::Decoder(Reader& reader, HXJPEGDecodeOptions options, bool reportWarnings,
                 HXJPEGWarningHandler* warningHandler) {
    Exception::Check(
        HXJPEGDecoderCreate(reader.Get(), options, reportWarnings, warningHandler, &value_));
}

Decoder::Decoder(HXJPEGData data, HXJPEGDecodeOptions options, bool reportWarnings,
                 HXJPEGWarningHandler* warningHandler) {
    Exception::Check(
        HXJPEGDecoderCreateUsingData(data, options, reportWarnings, warningHandler, &value_));
}

Decoder::~Decoder() {
    HXJPEGDecoderRelease(value_);
}

void Decoder::SetLimits(const HXJPEGDecodeLimits& limits) {
    Exception::Check(HXJPEGDecoderSetLimits(value_, &limits));
}

HXJPEGHeader Decoder::ReadHeader(MetaDataHandler* metaDataHandler) {
    HXJPEGHeader header = {};
    Exception::Check(HXJPEGDecoderReadHeader(
        value_, metaDataHandler != nullptr ? &metaDataHandler->Get() : nullptr, &header));
    return header;
}

void Decoder::ReadContent(uint32_t colorSpace, HXJPEGImageContent target) {
    Exception::Check(HXJPEGDecoderReadContent(value_, colorSpace, target));
}

void Decoder::ReadTiledContent(uint32_t colorSpace, HXJPEGTiledContentWriter sink) {
    Exception::Check(HXJPEGDecoderReadTiledContent(value_, colorSpace, sink));
}

}  // namespace HXJPEG
