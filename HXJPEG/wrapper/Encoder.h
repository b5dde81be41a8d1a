#pragma once

#include <cstdint>

#include "HXJPEG.h"
#include "HXJPEG/wrapper/BaseRef.h"
#include "HXJPEG/wrapper/Exception.h"
#include "HXJPEG/wrapper/Writer.h"

namespace HXJPEG {

// Owns an encoder handle; every failing call throws HXJPEG::Exception with the result code.
// The Writer is borrowed and must outlive the encoder.
class Encoder : public BaseRef<HXJPEGEncoder*> {
public:
    Encoder(Writer& writer, HXJPEGEncodeOptions options);
    ~Encoder() override;

    void WriteMetaData(HXJPEGMetaData segment);
    void BulkWriteMetaData(const uint8_t* bytes, uint32_t count);
    void WriteContent(HXJPEGHeader header, HXJPEGImageContent source);
    void WriteTiledContent(HXJPEGHeader header, HXJPEGTiledContentReader source);
};

}  // namespace HXJPEG
