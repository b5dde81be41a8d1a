#include "ThumbMetaLib/formats/layered/MergedImage.h"

#include <cstring>
#include <string>

#include "ThumbMetaLib/formats/layered/ChannelRows.h"
#include "ThumbMetaLib/formats/layered/LayeredFormatError.h"
#include "ThumbMetaLib/formats/layered/LayeredLimits.h"
#include "ThumbMetaLib/formats/layered/SampleRows.h"

namespace ThumbMetaLib {

int32_t CompositeMode(uint16_t documentMode) {
    switch (documentMode) {
        case kModeIndexed:
        case kModeRGB:
            return kModeRGB;
        case kModeCMYK:
            return kModeCMYK;
        case kModeLab:
            return kModeLab;
        default:
            return kModeGrayscale;
    }
}

uint64_t CompositeBytes(const LayeredHeader& header) {
    const int32_t channels = Pixels::ChannelsForMode(CompositeMode(header.mode));
    return PlanarBytes(header.width, header.height, uint32_t(channels));
}

PixelsPtr NewCompositeBuffer(const LayeredHeader& header) {
    if (CompositeBytes(header) > kMaxCompositeBytes) {
        throw LayeredFormatError("composite of " + std::to_string(header.width) + " x " +
                                 std::to_string(header.height) + " exceeds the 1 GiB cap");
    }
    const int32_t mode = CompositeMode(header.mode);
    PixelsPtr pixels = Pixels::Create(header.width, header.height, 0, mode, kLayoutPlanar, true);
    if (!pixels || pixels->Bytes() == nullptr) {
        throw LayeredFormatError("no memory for the composite");
    }
    // White (no ink for CMYK, L = 100 and neutral for Lab) where nothing is drawn.
    for (int32_t c = 0; c < pixels->Channels(); ++c) {
        const uint8_t white = mode == kModeCMYK ? 0 : (mode == kModeLab && c > 0 ? 128 : 255);
        std::memset(pixels->Plane(c), white, size_t{pixels->RowBytes()} * pixels->Height());
    }
    return pixels;
}

void PutCompositeRow(const LayeredStructure& structure, Pixels& composite, uint16_t channel,
                     uint32_t y, const uint8_t* row) {
    const uint32_t width = composite.Width();
    const size_t rowOffset = size_t{composite.RowBytes()} * y;
    switch (structure.header.mode) {
        case kModeIndexed: {
            const uint8_t* palette = structure.palette.data();
            for (int32_t c = 0; c < 3; ++c) {
                uint8_t* out = composite.Plane(c) + rowOffset;
                for (uint32_t x = 0; x < width; ++x) {
                    out[x] = palette[256 * c + row[x]];
                }
            }
            break;
        }
        case kModeCMYK: {
            uint8_t* out = composite.Plane(channel) + rowOffset;
            for (uint32_t x = 0; x < width; ++x) {
                out[x] = uint8_t(255 - row[x]);
            }
            break;
        }
        default:
            std::memcpy(composite.Plane(channel) + rowOffset, row, width);
            break;
    }
}

PixelsPtr ReadMergedImage(RasterSource& source, const LayeredStructure& structure) {
    const LayeredHeader& header = structure.header;
    SourceCursor cursor(source, structure.imageDataOffset);
    if (cursor.Remaining() < 2) {
        throw LayeredFormatError("no merged image data");
    }
    const uint16_t compression = cursor.U16();
    if (compression != kCompressionRaw && compression != kCompressionPackBits) {
        throw LayeredFormatError("merged image compression " + std::to_string(compression) +
                                 " is not read");
    }
    const uint16_t planes = header.mode == kModeMultichannel ? 1 : ModeChannels(header.mode);
    const uint64_t rowBytes = StoredRowBytes(header.width, header.depth);
    std::vector<uint32_t> counts;
    // The data must be there before the composite is allocated: a short file with a large
    // header costs a refusal, not the memory its header asks for.
    if (compression == kCompressionPackBits) {
        // The table covers every channel of the file, spot and extra channels too.
        counts = ReadRowByteCounts(cursor, uint64_t{header.channels} * header.height,
                                   header.IsLarge(), rowBytes);
    } else if (rowBytes * header.height * planes > cursor.Remaining()) {
        throw LayeredFormatError("raw merged image runs past the file");
    }
    PixelsPtr composite = NewCompositeBuffer(header);
    for (uint16_t c = 0; c < planes; ++c) {
        const uint32_t* channelCounts =
            counts.empty() ? nullptr : counts.data() + size_t{c} * header.height;
        ReadChannelRows(cursor, channelCounts, header.width, header.depth, header.height,
                        [&](uint32_t y, const uint8_t* row) {
                            PutCompositeRow(structure, *composite, c, y, row);
                        });
    }
    return composite;
}

}  // namespace ThumbMetaLib
