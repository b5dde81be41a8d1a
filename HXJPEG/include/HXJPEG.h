/*
 * HXJPEG: a self-contained JPEG decoder and encoder with a flat C interface.
 *
 * All input and output goes through caller callbacks; the codec never opens files. Every
 * function returns an int32_t result: 0 for success, a negative HXJPEG_ERR_* code otherwise.
 * No C++ exception ever crosses this interface (out of memory is reported as -103).
 *
 * Decoding: HXJPEGLibInit, HXJPEGDecoderCreate (or ...CreateUsingData), HXJPEGDecoderReadHeader,
 * one HXJPEGDecoderReadContent or HXJPEGDecoderReadTiledContent, HXJPEGDecoderRelease.
 * Encoding: HXJPEGEncoderCreate, any number of HXJPEGEncoderWriteMetaData /
 * HXJPEGEncoderBulkWriteMetaData, one HXJPEGEncoderWriteContent or
 * HXJPEGEncoderWriteTiledContent, HXJPEGEncoderRelease.
 *
 * Tile protocol (both directions): begin(bandHeight, width) once; for each band from the top
 * getTile(rect) with a full-width rectangle of bandHeight rows (the last band cut to the image)
 * and, when decoding, putTile(rect, content) once the band's samples are in it; end() last
 * (also after an error). A false from begin, getTile or putTile stops with -350.
 */
#ifndef HXJPEG_HXJPEG_H
#define HXJPEG_HXJPEG_H

#include <stdbool.h>
#include <stdint.h>

#if defined(__GNUC__)
#define HXJPEG_API __attribute__((visibility("default")))
#else
#define HXJPEG_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. */
enum {
    HXJPEG_OK = 0,
    HXJPEG_ERR_QUANT_TABLE_SHORT = -1,  /* DQT segment shorter than its table */
    HXJPEG_ERR_QUANT_TABLE_NUMBER = -2, /* DQT table number above 3 */
    HXJPEG_ERR_HUFFMAN = -3,            /* bad DHT class/number, or undecodable DC code */
    HXJPEG_ERR_SCAN = -4,               /* bad SOS */
    HXJPEG_ERR_FRAME_COMPONENT = -6,    /* sampling > 4, table > 3 or repeated identifier */
    HXJPEG_ERR_NO_FRAME = -7,           /* no usable frame (also unsupported frame kinds) */
    HXJPEG_ERR_QUANT_PRECISION = -8,    /* DQT precision other than 8 or 16 bits */
    HXJPEG_ERR_COMPONENT_COUNT = -9,    /* frame component count not 1..4 */
    HXJPEG_ERR_TOO_MANY_SCANS = -10,  /* more scans than the limit (HXJPEG_MAX_SCANS by default) */
    HXJPEG_ERR_TRANSFORM_SIZE = -101, /* lossless transform refused for this size */
    HXJPEG_ERR_INVALID_ARGUMENT = -102,  /* null pointer or invalid argument */
    HXJPEG_ERR_OUT_OF_MEMORY = -103,     /* out of memory, or beyond the allocation limit */
    HXJPEG_WARN_BAD_AC_CODE = -300,      /* warning: undecodable AC Huffman code */
    HXJPEG_WARN_EARLY_END = -301,        /* warning: input ended early */
    HXJPEG_WARN_RESTART_SEQUENCE = -302, /* warning: a restart marker out of the RST0..7 order */
    HXJPEG_ERR_TILE_CALLBACK = -350      /* a tile callback returned false */
};

/* Limits that bound what a hostile file can make the decoder do. */
enum {
    /* A file with more start-of-scan segments than this fails with -10. */
    HXJPEG_MAX_SCANS = 1000,
    /* The coefficient store of a multi-scan image (2 bytes per coefficient, every component)
       may take at most this many megabytes; beyond it the decode fails with -103. */
    HXJPEG_MAX_COEFFICIENT_STORE_MB = 1024
};

/* Colour spaces: the requested output of a decode, the input layout of an encode, and the
   colorSpace of a header. */
enum {
    HXJPEG_COLOR_DEFAULT = 0, /* decoder: choose from the component count */
    HXJPEG_COLOR_RGB = 1,     /* 3 channels */
    HXJPEG_COLOR_GREY = 2,    /* 1 channel */
    HXJPEG_COLOR_CMYK = 4,    /* 4 channels */
    HXJPEG_COLOR_YCBCR = 5,   /* 3 channels, as stored (three-component images only) */
    HXJPEG_COLOR_RGBX = 6     /* 4 channels: RGB and a fourth channel of 255 */
};

/* Lossless transforms of HXJPEGRotateImage. */
enum {
    HXJPEG_TRANSFORM_NONE = 0,
    HXJPEG_TRANSFORM_CLOCKWISE = 1,
    HXJPEG_TRANSFORM_180 = 2,
    HXJPEG_TRANSFORM_ANTICLOCKWISE = 3
};

typedef struct HXJPEGDecoder HXJPEGDecoder; /* opaque handle */
typedef struct HXJPEGEncoder HXJPEGEncoder; /* opaque handle */

/* scaleX, scaleY both 1 (default): full size; anything else: one eighth in each direction. */
typedef struct HXJPEGDecodeOptions {
    uint8_t scaleX;
    uint8_t scaleY;
} HXJPEGDecodeOptions;

typedef struct HXJPEGEncodeOptions {
    uint32_t quality;  /* 0..12, default 8 */
    uint32_t scanMode; /* 0/1 baseline, 2 extended sequential, 3 progressive; default 0 */
    uint32_t bandMode; /* 0/1 band-wise (two passes), 2 whole image; default 0 */
} HXJPEGEncodeOptions;

typedef struct HXJPEGRotateOptions {
    uint32_t transform; /* 0..3, default 1 (90 degrees clockwise) */
    HXJPEGEncodeOptions encodeOptions;
    uint32_t reserved; /* neither set nor read by the codec */
} HXJPEGRotateOptions;

typedef struct HXJPEGHeader {
    uint16_t width;
    uint16_t height;
    uint8_t numComponents;
    uint32_t colorSpace;
} HXJPEGHeader;

/* In samples. Passed by value. */
typedef struct HXJPEGRect {
    uint16_t top;
    uint16_t left;
    uint16_t height;
    uint16_t width;
} HXJPEGRect;

/* Interleaved pixels: planes point into one buffer at consecutive byte offsets, pixelStride =
   channel count. Planar: separate planes with pixelStride 1. */
typedef struct HXJPEGImageContent {
    uint8_t* planes[4];
    uint32_t pixelStride; /* bytes between horizontally adjacent samples of one plane */
    uint32_t rowStride;   /* bytes between rows */
    uint8_t numPlanes;
} HXJPEGImageContent;

typedef struct HXJPEGData {
    const uint8_t* data;
    uint32_t size;
} HXJPEGData;

/* One APPn segment: marker 0xFFE0 + appIndex, payload of length bytes. */
typedef struct HXJPEGMetaData {
    const uint8_t* data;
    uint16_t length;  /* payload bytes, without the marker and the length field */
    uint8_t appIndex; /* 0..15 */
} HXJPEGMetaData;

typedef struct HXJPEGWarningHandler {
    void* userData;
    /* true continues decoding, false makes the warning fatal */
    bool (*onWarning)(void* userData, int32_t code);
} HXJPEGWarningHandler;

typedef struct HXJPEGReader {
    void* userData;
    /* false: cannot skip that far */
    bool (*skip)(void* userData, uint32_t count);
    /* true while more data remains after this call */
    bool (*read)(void* userData, uint8_t* buffer, uint32_t count, uint32_t* bytesRead);
    /* never called by the codec */
    void (*release)(void* userData);
} HXJPEGReader;

typedef struct HXJPEGWriter {
    void* userData;
    /* reserved is always 0; the result is not examined */
    void (*write)(void* userData, const uint8_t* data, uint32_t count, uint32_t reserved);
    /* called once after the last byte of an image */
    void (*finish)(void* userData);
} HXJPEGWriter;

typedef struct HXJPEGMetaDataHandler {
    void* userData;
    /* Set *buffer to at least length bytes to take the segment; leave it null to refuse it. */
    void (*begin)(void* userData, uint8_t appIndex, uint16_t length, uint8_t** buffer);
    /* complete is true only if all length bytes arrived */
    void (*end)(void* userData, uint8_t appIndex, uint16_t length, uint8_t* buffer, bool complete);
} HXJPEGMetaDataHandler;

/* Decoder output sink. */
typedef struct HXJPEGTiledContentWriter {
    void* userData;
    bool (*begin)(void* userData, uint32_t bandHeight, uint32_t width);
    bool (*getTile)(void* userData, HXJPEGRect rect, HXJPEGImageContent* out);
    bool (*putTile)(void* userData, HXJPEGRect rect, HXJPEGImageContent content);
    void (*end)(void* userData);
} HXJPEGTiledContentWriter;

/* Encoder input source. */
typedef struct HXJPEGTiledContentReader {
    void* userData;
    bool (*begin)(void* userData, uint32_t bandHeight, uint32_t width);
    bool (*getTile)(void* userData, HXJPEGRect rect, HXJPEGImageContent* out);
    void (*end)(void* userData);
} HXJPEGTiledContentReader;

/* Library. HXJPEGLibInit chooses the vector code of the decoder and the encoder again: the
   best the processor has, unless the environment variable VANTORY_FORCE_PORTABLE is set to a
   non-empty value other than "0". Calling it is optional: the same choice is made on first use
   (thread-safe) and the codec's tables need no set-up. Returns 0. */
HXJPEG_API int32_t HXJPEGLibInit(void);
HXJPEG_API int32_t HXJPEGLibTerminate(void);

/* Defaults; -102 for a null pointer (nothing written), else 0. */
HXJPEG_API int32_t HXJPEGDecodeOptionsInitDefault(HXJPEGDecodeOptions* options);
HXJPEG_API int32_t HXJPEGEncodeOptionsInitDefault(HXJPEGEncodeOptions* options);
HXJPEG_API int32_t HXJPEGRotateOptionsInitDefault(HXJPEGRotateOptions* options);

/* No flat function lets anything thrown inside reach the caller: running out of memory, or any
   other failure raised inside, returns -103. */

/* Decoder. With reportWarnings false every warning (-300, -301) is fatal; with it true each
   goes to warningHandler (null continues). */
HXJPEG_API int32_t HXJPEGDecoderCreate(HXJPEGReader reader, HXJPEGDecodeOptions options,
                                       bool reportWarnings, HXJPEGWarningHandler* warningHandler,
                                       HXJPEGDecoder** out);
/* Over a memory block (not copied: it must outlive the decoder). */
HXJPEG_API int32_t HXJPEGDecoderCreateUsingData(HXJPEGData data, HXJPEGDecodeOptions options,
                                                bool reportWarnings,
                                                HXJPEGWarningHandler* warningHandler,
                                                HXJPEGDecoder** out);
/* Parses up to the first start-of-scan; APPn segments go to metaDataHandler (may be null),
   which must stay valid until the content read returns. Idempotent. */
HXJPEG_API int32_t HXJPEGDecoderReadHeader(HXJPEGDecoder* decoder,
                                           HXJPEGMetaDataHandler* metaDataHandler,
                                           HXJPEGHeader* out);
HXJPEG_API int32_t HXJPEGDecoderReadTiledContent(HXJPEGDecoder* decoder, uint32_t colorSpace,
                                                 HXJPEGTiledContentWriter sink);
HXJPEG_API int32_t HXJPEGDecoderReadContent(HXJPEGDecoder* decoder, uint32_t colorSpace,
                                            HXJPEGImageContent target);
/* Null is ignored. */
HXJPEG_API int32_t HXJPEGDecoderRelease(HXJPEGDecoder* decoder);

/* Encoder. */
HXJPEG_API int32_t HXJPEGEncoderCreate(HXJPEGWriter writer, HXJPEGEncodeOptions options,
                                       HXJPEGEncoder** out);
HXJPEG_API int32_t HXJPEGEncoderWriteMetaData(HXJPEGEncoder* encoder, HXJPEGMetaData segment);
HXJPEG_API int32_t HXJPEGEncoderBulkWriteMetaData(HXJPEGEncoder* encoder, const uint8_t* bytes,
                                                  uint32_t count);
HXJPEG_API int32_t HXJPEGEncoderWriteTiledContent(HXJPEGEncoder* encoder, HXJPEGHeader header,
                                                  HXJPEGTiledContentReader source);
HXJPEG_API int32_t HXJPEGEncoderWriteContent(HXJPEGEncoder* encoder, HXJPEGHeader header,
                                             HXJPEGImageContent source);
/* Null is ignored. */
HXJPEG_API int32_t HXJPEGEncoderRelease(HXJPEGEncoder* encoder);

/* Limits of one decoder that a caller may lower (never raise) to bound what a hostile file can
   make it do, e.g. while fuzzing. Defaults (HXJPEGDecodeLimitsInitDefault) are the codec's own
   bounds: maxFramePixels 65535 x 65535 (every frame a JPEG can describe), maxScans
   HXJPEG_MAX_SCANS. A frame of more than maxFramePixels samples per component (width x height)
   fails with -103, a scan beyond maxScans with -10. */
typedef struct HXJPEGDecodeLimits {
    uint32_t maxFramePixels;
    uint32_t maxScans;
} HXJPEGDecodeLimits;

/* -102 for a null pointer (nothing written), else 0. */
HXJPEG_API int32_t HXJPEGDecodeLimitsInitDefault(HXJPEGDecodeLimits* limits);
/* Call after creating the decoder and before HXJPEGDecoderReadHeader (later: -102). Values
   above the defaults are taken as the defaults. */
HXJPEG_API int32_t HXJPEGDecoderSetLimits(HXJPEGDecoder* decoder, const HXJPEGDecodeLimits* limits);

/* Lossless quarter-turn rotation or flip without re-quantising. */
HXJPEG_API int32_t HXJPEGRotateImage(HXJPEGReader reader, HXJPEGWriter writer,
                                     HXJPEGRotateOptions options);

#ifdef __cplusplus
}
#endif

#endif /* HXJPEG_HXJPEG_H */
