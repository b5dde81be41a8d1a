#include "HXJPEG/wrapper/Encoder.h"

namespace HXJPEG {

Encoder::Encoder(Writer& writer, HXJPEGEncodeOptions options) {
    Exception::Check(HXJPEGEncoderCreate(writer.Get(), options, &value_));
}

Encoder::~Encoder() {
    HXJPEGEncoderRelease(value_);
}

void Encoder::WriteMetaData(HXJPEGMetaData segment) {
    Exception::Check(HXJPEGEncoderWriteMetaData(value_, segment));
}

void Encoder::BulkWriteMetaData(const uint8_t* bytes, uint32_t count) {
    Exception::Check(HXJPEGEncoderBulkWriteMetaData(value_, bytes, count));
}

void Encoder::WriteContent(HXJPEGHeader header, HXJPEGImageContent source) {
    Exception::Check(HXJPEGEncoderWriteContent(value_, header, source));
}

void Encoder::WriteTiledContent(HXJPEGHeader header, HXJPEGTiledContentReader source) {
    Exception::Check(HXJPEGEncoderWriteTiledContent(value_, header, source));
}

}  // namespace HXJPEG
