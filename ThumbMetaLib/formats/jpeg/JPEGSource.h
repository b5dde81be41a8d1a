#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "HXJPEG.h"
#include "HXJPEG/wrapper/Decoder.h"
#include "ThumbMetaLib/formats/jpeg/MetaDataHandler.h"

namespace ThumbMetaLib {

// Where one decode reads its JPEG data (a file, or a thumbnail inside a file's segment), with
// the MetaDataHandler of that decode. A source can start a decoder from its beginning more
// than once: a reduced decode reads the header again with other options.
class JPEGSource {
public:
    virtual ~JPEGSource() = default;

    // A decoder over the data from its first byte; throws HXJPEG::Exception when the codec
    // refuses to create one.
    virtual std::unique_ptr<HXJPEG::Decoder> NewDecoder(HXJPEGDecodeOptions options) = 0;

    // Attaches a handler collecting into `target` unless one is attached already.
    void AttachMetaDataHandler(ThumbImageInfo* target) {
        if (!metaData_) {
            metaData_ = std::make_unique<MetaDataHandler>(target);
        }
    }
    MetaDataHandler* GetMetaDataHandler() const { return metaData_.get(); }

private:
    std::unique_ptr<MetaDataHandler> metaData_;
};

// JPEG data in memory, borrowed: it must outlive the source and its decoders.
class JPEGMemorySource : public JPEGSource {
public:
    JPEGMemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    std::unique_ptr<HXJPEG::Decoder> NewDecoder(HXJPEGDecodeOptions options) override;

private:
    const uint8_t* data_;
    size_t size_;
};

}  // namespace ThumbMetaLib
