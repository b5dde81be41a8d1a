// The flat decoder functions. Nothing thrown inside may cross them (FlatCallGuard.h).
#include <algorithm>
#include <cstring>
#include <memory>

#include "HXJPEG.h"
#include "HXJPEG/api/FlatCallGuard.h"
#include "HXJPEG/decoder/JPEGDecoder.h"

namespace {

// The reader of a decoder over memory: {data, size, position}.
struct MemoryReader {
    const uint8_t* data;
    uint32_t size;
    uint32_t position;

    static bool Skip(void* userData, uint32_t count) {
        auto* self = static_cast<MemoryReader*>(userData);
        if (count > self->size - self->position) {
            return false;
        }
        self->position += count;
        return true;
    }
    // At most 1024 bytes per call; true while bytes remain after it.
    static bool Read(void* userData, uint8_t* buffer, uint32_t count, uint32_t* bytesRead) {
        auto* self = static_cast<MemoryReader*>(userData);
        uint32_t n = std::min({count, self->size - self->position, uint32_t(1024)});
        if (n > 0) {
            std::memcpy(buffer, self->data + self->position, n);
        }
        self->position += n;
        if (bytesRead != nullptr) {
            *bytesRead = n;
        }
        return self->position < self->size;
    }
    static void Release(void*) {}
};

}  // namespace

// The handle: the decoder object and, for a decoder over memory, that reader's state.
struct HXJPEGDecoder {
    std::unique_ptr<HXJPEG::JPEGDecoder> decoder;
    std::unique_ptr<MemoryReader> memory;
};

namespace {

using HXJPEG::GuardFlatCall;

int32_t Create(const HXJPEGReader& reader, std::unique_ptr<MemoryReader> memory,
               HXJPEGDecodeOptions options, bool reportWarnings,
               HXJPEGWarningHandler* warningHandler, HXJPEGDecoder** out) {
    auto handle = std::make_unique<HXJPEGDecoder>();
    handle->decoder =
        std::make_unique<HXJPEG::JPEGDecoder>(reader, options, reportWarnings, warningHandler);
    if (memory != nullptr) {
        handle->decoder->UseMemory(memory->data, memory->size);
    }
    handle->memory = std::move(memory);
    *out = handle.release();
    return HXJPEG_OK;
}

}  // namespace

extern "C" {

int32_t HXJPEGDecoderCreate(HXJPEGReader reader, HXJPEGDecodeOptions options, bool reportWarnings,
                            HXJPEGWarningHandler* warningHandler, HXJPEGDecoder** out) {
    if (out == nullptr) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    *out = nullptr;
    return GuardFlatCall(
        [&] { return Create(reader, nullptr, options, reportWarnings, warningHandler, out); });
}

int32_t HXJPEGDecoderCreateUsingData(HXJPEGData data, HXJPEGDecodeOptions options,
                                     bool reportWarnings, HXJPEGWarningHandler* warningHandler,
                                     HXJPEGDecoder** out) {
    if (out == nullptr || (data.data == nullptr && data.size != 0)) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    *out = nullptr;
    return GuardFlatCall([&] {
        auto memory = std::make_unique<MemoryReader>(MemoryReader{data.data, data.size, 0});
        HXJPEGReader reader = {memory.get(), MemoryReader::Skip, MemoryReader::Read,
                               MemoryReader::Release};
        return Create(reader, std::move(memory), options, reportWarnings, warningHandler, out);
    });
}

int32_t HXJPEGDecodeLimitsInitDefault(HXJPEGDecodeLimits* limits) {
    if (limits == nullptr) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    *limits = HXJPEG::JPEGDecoder::DefaultLimits();
    return HXJPEG_OK;
}

int32_t HXJPEGDecoderSetLimits(HXJPEGDecoder* decoder, const HXJPEGDecodeLimits* limits) {
    if (decoder == nullptr || decoder->decoder == nullptr || limits == nullptr) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    return decoder->decoder->SetLimits(*limits) ? HXJPEG_OK : HXJPEG_ERR_INVALID_ARGUMENT;
}

int32_t HXJPEGDecoderReadHeader(HXJPEGDecoder* decoder, HXJPEGMetaDataHandler* metaDataHandler,
                                HXJPEGHeader* out) {
    if (decoder == nullptr || decoder->decoder == nullptr || out == nullptr) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    return GuardFlatCall([&] { return decoder->decoder->ReadHeader(metaDataHandler, out); });
}

int32_t HXJPEGDecoderReadTiledContent(HXJPEGDecoder* decoder, uint32_t colorSpace,
                                      HXJPEGTiledContentWriter sink) {
    if (decoder == nullptr || decoder->decoder == nullptr) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    return GuardFlatCall([&] { return decoder->decoder->ReadContent(colorSpace, sink); });
}

namespace {

// The sink of HXJPEGDecoderReadContent: every tile is the caller's buffer moved to the band.
struct BufferSink {
    HXJPEGImageContent target;

    static bool Begin(void*, uint32_t, uint32_t) { return true; }
    static bool GetTile(void* userData, HXJPEGRect rect, HXJPEGImageContent* out) {
        const HXJPEGImageContent& t = static_cast<BufferSink*>(userData)->target;
        *out = t;
        size_t offset = size_t(rect.left) * t.pixelStride + size_t(rect.top) * t.rowStride;
        for (int i = 0; i < 4; ++i) {
            if (out->planes[i] != nullptr) {
                out->planes[i] += offset;
            }
        }
        return true;
    }
    static bool PutTile(void*, HXJPEGRect, HXJPEGImageContent) { return true; }
    static void End(void*) {}
};

}  // namespace

int32_t HXJPEGDecoderReadContent(HXJPEGDecoder* decoder, uint32_t colorSpace,
                                 HXJPEGImageContent target) {
    if (decoder == nullptr || decoder->decoder == nullptr) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    BufferSink sink{target};
    HXJPEGTiledContentWriter writer = {&sink, BufferSink::Begin, BufferSink::GetTile,
                                       BufferSink::PutTile, BufferSink::End};
    return GuardFlatCall([&] { return decoder->decoder->ReadContent(colorSpace, writer); });
}

int32_t HXJPEGDecoderRelease(HXJPEGDecoder* decoder) {
    delete decoder;  // its members free the decoder and the memory reader
    return HXJPEG_OK;
}

}  // extern "C"
