#pragma once

#include <cstdint>

#include "HXJPEG.h"
#include "HXJPEG/wrapper/BaseRef.h"
#include "HXJPEG/wrapper/Exception.h"
#include "HXJPEG/wrapper/MetaDataHandler.h"
#include "HXJPEG/wrapper/Reader.h"

namespace HXJPEG {

// Owns a decoder handle; every failing call throws HXJPEG::Exception with the result code.
// The Reader (or memory) and the MetaDataHandler given to it are borrowed and must outlive it.
class Decoder : public BaseRef<HXJPEGDecoder*> {
public:
    Decoder(Reader& reader, HXJPEGDecodeOptions options, bool reportWarnings,
            HXJPEGWarningHandler* warningHandler = nullptr);
    Decoder(HXJPEGData data, HXJPEGDecodeOptions options, bool reportWarnings,
            HXJPEGWarningHandler* warningHandler = nullptr);
    ~Decoder() override;

    // Before ReadHeader: lowers this decoder's limits (HXJPEGDecoderSetLimits).
    void SetLimits(const HXJPEGDecodeLimits& limits);
    HXJPEGHeader ReadHeader(MetaDataHandler* metaDataHandler = nullptr);
    void ReadContent(uint32_t colorSpace, HXJPEGImageContent target);
    void ReadTiledContent(uint32_t colorSpace, HXJPEGTiledContentWriter sink);
};

}  // namespace HXJPEG
