#include "HXJPEG/decoder/JPEGDecoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "HXJPEG/common/Markers.h"
#include "HXJPEG/common/ZigZag.h"
#include "HXJPEG/decoder/StandardHuffmanTables.h"

namespace HXJPEG {

JPEGDecoder::JPEGDecoder(const HXJPEGReader& reader, HXJPEGDecodeOptions options,
                         bool reportWarnings, const HXJPEGWarningHandler* warningHandler)
    : options_(options), status_(reportWarnings, warningHandler), input_(reader) {
    if (options.scaleX == options.scaleY &&
        (options.scaleX == 1 || options.scaleX == 2 || options.scaleX == 4)) {
        blockSize_ = 8 / options.scaleX;
    } else {
        reduced_ = true;
        blockSize_ = 1;
    }
    static const uint16_t kZero[64] = {};
    for (auto& q : quant_) {
        q.Set(kZero);
        q.defined = false;
    }
}

bool JPEGDecoder::SetLimits(const HXJPEGDecodeLimits& limits) {
    if (headerDone_) {
        return false;
    }
    const HXJPEGDecodeLimits defaults = DefaultLimits();
    limits_.maxFramePixels = std::min(limits.maxFramePixels, defaults.maxFramePixels);
    limits_.maxScans = std::min(limits.maxScans, defaults.maxScans);
    return true;
}

void JPEGDecoder::SetContentHandler(DecodeContentHandler* handler) {
    handler_ = handler != nullptr ? handler : &defaultHandler_;
}

// The one-eighth decode keeps whole MCUs (one sample per block); the half and quarter sizes
// round up like any scaled decode.
int JPEGDecoder::OutputWidth() const {
    if (reduced_) {
        return frame_.mcusAcross * frame_.hMax;
    }
    return (frame_.width * blockSize_ + 7) / 8;
}

int JPEGDecoder::OutputHeight() const {
    if (reduced_) {
        return frame_.mcusDown * frame_.vMax;
    }
    return (frame_.height * blockSize_ + 7) / 8;
}

int32_t JPEGDecoder::ReadHeader(const HXJPEGMetaDataHandler* metaDataHandler, HXJPEGHeader* out) {
    if (!headerDone_) {
        headerDone_ = true;
        if (metaDataHandler != nullptr) {
            metaData_.SetHandler(metaDataHandler);
        }
        RunMarkerLoop(kModeHeader);
    }
    if (out != nullptr) {
        *out = {};
        out->width = uint16_t(OutputWidth());
        out->height = uint16_t(OutputHeight());
        out->numComponents = uint8_t(frame_.componentCount);
        out->colorSpace = frame_.componentCount == 1   ? HXJPEG_COLOR_GREY
                          : frame_.componentCount == 3 ? HXJPEG_COLOR_RGB
                          : frame_.componentCount == 4 ? HXJPEG_COLOR_CMYK
                                                       : HXJPEG_COLOR_DEFAULT;
    }
    if (status_.Failed()) {
        return status_.Error();
    }
    return frame_.Empty() ? HXJPEG_ERR_NO_FRAME : 0;
}

int32_t JPEGDecoder::ReadContent(uint32_t colorSpace, const HXJPEGTiledContentWriter& sink) {
    if (colorSpace == HXJPEG_COLOR_DEFAULT) {
        colorSpace = frame_.componentCount == 1   ? HXJPEG_COLOR_GREY
                     : frame_.componentCount == 3 ? HXJPEG_COLOR_RGB
                     : frame_.componentCount == 4 ? HXJPEG_COLOR_CMYK
                                                  : HXJPEG_COLOR_RGB;
    }
    if (colorSpace == 3 || colorSpace > HXJPEG_COLOR_RGBX) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    int32_t headerResult = ReadHeader(nullptr, nullptr);
    if (headerResult != 0 || contentDone_) {
        return headerResult != 0 ? headerResult : status_.Error();
    }
    contentDone_ = true;
    output_.SetSink(sink, colorSpace);
    RunMarkerLoop(reduced_ ? kModeReduced : kModeFull);
    output_.End();
    if (!status_.Failed() && scanCount_ == 0) {
        return HXJPEG_ERR_NO_FRAME;  // a frame without any scan has no image to deliver
    }
    return status_.Failed() ? status_.Error() : (frame_.Empty() ? HXJPEG_ERR_NO_FRAME : 0);
}

int32_t JPEGDecoder::ReadCoefficients(uint32_t mode) {
    int32_t headerResult = ReadHeader(nullptr, nullptr);
    if (headerResult != 0 || contentDone_) {
        return headerResult != 0 ? headerResult : status_.Error();
    }
    contentDone_ = true;
    RunMarkerLoop(kModeCoefficients | (mode & (kModeFull | kModeReduced)));
    return status_.Failed() ? status_.Error() : (frame_.Empty() ? HXJPEG_ERR_NO_FRAME : 0);
}

bool JPEGDecoder::FindMarker(uint8_t* code) {
    // Bytes between segments are garbage (or entropy data the scan decoder did not need); a
    // stream that never ends must not keep the decoder searching forever.
    uint64_t skipped = 0;
    for (;;) {
        if (skipped > kMaxGarbageBytes || !input_.Ensure(2)) {
            // One byte may be left; a lone byte is not a marker.
            input_.pos = input_.end;
            return false;
        }
        const uint8_t* p = input_.data + input_.pos;
        const uint8_t* end = input_.data + input_.end;
        const uint8_t* ff = static_cast<const uint8_t*>(std::memchr(p, 0xFF, end - p - 1));
        if (ff == nullptr) {
            skipped += input_.Available() - 1;
            input_.pos = input_.end - 1;
            continue;
        }
        skipped += size_t(ff - p) + 1;
        input_.pos = size_t(ff - input_.data) + 1;
        uint8_t next = input_.data[input_.pos];
        if (next == 0xFF) {
            continue;  // fill byte: the marker code follows the last 0xFF
        }
        ++input_.pos;
        *code = next;
        return true;
    }
}

bool JPEGDecoder::ReadSegmentLength(uint32_t* payload) {
    if (!input_.Ensure(2)) {
        status_.Warn(HXJPEG_WARN_EARLY_END);
        return false;
    }
    uint32_t length = (uint32_t(input_.data[input_.pos]) << 8) | input_.data[input_.pos + 1];
    input_.pos += 2;
    *payload = length >= 2 ? length - 2 : 0;
    return true;
}

bool JPEGDecoder::BufferSegment(uint32_t payload) {
    if (payload > InputBuffer::kSize || !input_.Ensure(payload)) {
        return false;
    }
    segment_.assign(input_.data + input_.pos, input_.data + input_.pos + payload);
    input_.pos += payload;
    return true;
}

void JPEGDecoder::RunMarkerLoop(uint32_t mode) {
    mode_ = mode;
    bool resumeAtScan = atScan_;
    atScan_ = false;
    uint8_t code = 0;
    if (!resumeAtScan && !frame_.read && scanCount_ == 0 && mode == kModeHeader) {
        // The stream starts at the first SOI; anything before it is ignored.
        for (;;) {
            if (!FindMarker(&code)) {
                return;
            }
            if (code == marker::kSOI) {
                break;
            }
        }
        handler_->OnStartOfImage();
        if (!FindMarker(&code)) {
            return;
        }
    } else if (resumeAtScan) {
        code = marker::kSOS;
    } else if (!FindMarker(&code)) {
        return;
    }

    for (;;) {
        uint32_t payload = 0;
        bool stop = false;
        if (code == marker::kSOI) {
            handler_->OnStartOfImage();
        } else if (code == marker::kEOI) {
            handler_->OnEndOfImage();
            stop = true;
        } else if (code == 0 || marker::IsRestart(code)) {
            // stray restart markers and stuffed zero bytes carry nothing
        } else if (code == marker::kSOS && mode == kModeHeader) {
            atScan_ = true;
            return;
        } else if (!ReadSegmentLength(&payload)) {
            stop = true;
        } else if (code == marker::kSOF0 || code == marker::kSOF1 || code == marker::kSOF2) {
            if (!BufferSegment(payload)) {
                stop = true;
            } else if (!frame_.read) {
                frame_.progressive = code == marker::kSOF2;
                ParseFrame(payload);
                if (!status_.Failed()) {
                    int32_t query = handler_->QueryAfterFrame();
                    if (query != 0) {
                        status_.Fail(query);
                    }
                }
            }
            // A second frame header is ignored: the first one sized every buffer.
        } else if (marker::IsUnsupportedFrame(code)) {
            input_.Skip(payload);
            stop = true;
        } else if (code == marker::kDHT || code == marker::kDQT || code == marker::kSOS) {
            if (!BufferSegment(payload)) {
                stop = true;
            } else if (code == marker::kDHT) {
                ParseHuffmanTables(payload);
            } else if (code == marker::kDQT) {
                ParseQuantTables(payload);
            } else {
                ParseScanHeader(payload);
                if (!status_.Failed()) {
                    if (mode & kModeCoefficients) {
                        reduced_ = (mode & kModeReduced) != 0;
                        blockSize_ = reduced_ ? 1 : 8;
                    }
                    DecodeScanIntoStore();
                }
            }
        } else if (code == marker::kDRI) {
            ReadRestartInterval(payload);
        } else if (marker::IsApp(code)) {
            ReadAppSegment(code, payload);
        } else if (!input_.Skip(payload)) {
            stop = true;
        }
        if (stop || status_.Failed()) {
            break;
        }
        if (!FindMarker(&code)) {
            if (mode != kModeHeader) {
                status_.Warn(HXJPEG_WARN_EARLY_END);  // no EOI: the input ended early
            }
            break;
        }
    }
    if (storeUsed_ && !status_.Failed() && mode != kModeHeader) {
        OutputFromStore();
    }
}

void JPEGDecoder::ParseFrame(uint32_t payload) {
    const uint8_t* p = segment_.data();
    if (payload < 6) {
        return;  // no usable frame: the result stays -7
    }
    uint16_t height = uint16_t((p[1] << 8) | p[2]);
    uint16_t width = uint16_t((p[3] << 8) | p[4]);
    int count = p[5];
    if (count < 1 || count > 4) {
        status_.Fail(HXJPEG_ERR_COMPONENT_COUNT);
        return;
    }
    if (payload < uint32_t(6 + 3 * count)) {
        return;
    }
    if (uint64_t{width} * height > limits_.maxFramePixels) {
        status_.Fail(HXJPEG_ERR_OUT_OF_MEMORY);
        return;
    }
    for (int i = 0; i < count; ++i) {
        const uint8_t* c = p + 6 + 3 * i;
        FrameComponent fc;
        fc.identifier = c[0];
        fc.h = uint8_t(c[1] >> 4);
        fc.v = uint8_t(c[1] & 15);
        fc.quantTable = c[2];
        // Departs on purpose from the older rule that refused identifiers above 4: CMYK files
        // from libjpeg ('C','M','Y','K'), RGB-coded ones ('R','G','B') and many other tools use
        // larger ones, and the JPEG standard allows 0-255. What must hold is that a scan can name
        // each component unambiguously, so a repeated identifier is refused instead. The order
        // of the components, not their identifiers, decides their roles.
        bool repeated = false;
        for (int j = 0; j < i; ++j) {
            repeated = repeated || frame_.components[j].identifier == fc.identifier;
        }
        if (fc.h > 4 || fc.v > 4 || fc.h == 0 || fc.v == 0 || fc.quantTable > 3 || repeated) {
            status_.Fail(HXJPEG_ERR_FRAME_COMPONENT);
            return;
        }
        if (count == 1) {
            fc.h = fc.v = 1;
        }
        frame_.components[i] = fc;
    }
    frame_.read = true;
    frame_.width = width;
    frame_.height = height;
    frame_.componentCount = count;
    frame_.ComputeGrid();
    handler_->OnFrame(frame_.width, frame_.height, frame_.components,
                      uint8_t(frame_.componentCount));
}

void JPEGDecoder::ParseQuantTables(uint32_t payload) {
    const uint8_t* p = segment_.data();
    uint32_t at = 0;
    while (at < payload) {
        int precision = p[at] >> 4;
        int number = p[at] & 15;
        ++at;
        if (number > 3) {
            status_.Fail(HXJPEG_ERR_QUANT_TABLE_NUMBER);
            return;
        }
        if (precision > 1) {
            status_.Fail(HXJPEG_ERR_QUANT_PRECISION);
            return;
        }
        uint32_t size = precision == 1 ? 128 : 64;
        if (payload - at < size) {
            status_.Fail(HXJPEG_ERR_QUANT_TABLE_SHORT);
            return;
        }
        uint16_t natural[64];
        for (int k = 0; k < 64; ++k) {
            uint16_t q =
                precision == 1 ? uint16_t((p[at + 2 * k] << 8) | p[at + 2 * k + 1]) : p[at + k];
            natural[kZigZagToNatural[k]] = q;
        }
        at += size;
        quant_[number].Set(natural);
        handler_->OnQuantTable(uint8_t(precision), natural, uint8_t(number));
    }
}

void JPEGDecoder::ParseHuffmanTables(uint32_t payload) {
    const uint8_t* p = segment_.data();
    uint32_t at = 0;
    while (at < payload) {
        int tableClass = p[at] >> 4;
        int number = p[at] & 15;
        if (number > 3 || tableClass > 1 || payload - at < 17) {
            status_.Fail(HXJPEG_ERR_HUFFMAN);
            return;
        }
        HuffmanTableSpec spec;
        for (int l = 1; l <= 16; ++l) {
            spec.counts[l] = p[at + l];
            spec.symbolCount += spec.counts[l];
        }
        at += 17;
        if (spec.symbolCount > 256 || payload - at < uint32_t(spec.symbolCount)) {
            status_.Fail(HXJPEG_ERR_HUFFMAN);
            return;
        }
        std::memcpy(spec.symbols, p + at, spec.symbolCount);
        at += spec.symbolCount;
        HuffmanDecodeTable& table = huffmanTables_.Fill(tableClass == 1, number);
        if (!table.Build(spec, tableClass == 1)) {
            status_.Fail(HXJPEG_ERR_HUFFMAN);
            return;
        }
        if (tableClass == 0) {
            handler_->OnDCHuffmanTable(table, 4);
        } else {
            handler_->OnACHuffmanTable(table, 4);
        }
    }
}

void JPEGDecoder::ParseScanHeader(uint32_t payload) {
    const uint8_t* p = segment_.data();
    if (payload < 1) {
        status_.Fail(HXJPEG_ERR_SCAN);
        return;
    }
    int count = p[0];
    if (count < 1 || count > 4 || payload < uint32_t(1 + 2 * count + 3) || !frame_.read) {
        status_.Fail(frame_.read ? HXJPEG_ERR_SCAN : HXJPEG_ERR_NO_FRAME);
        return;
    }
    if (uint32_t(++scanCount_) > limits_.maxScans) {
        status_.Fail(HXJPEG_ERR_TOO_MANY_SCANS);
        return;
    }
    ScanHeader scan;
    scan.count = uint8_t(count);
    bool seen[4] = {};
    for (int i = 0; i < count; ++i) {
        int selector = p[1 + 2 * i];
        int tables = p[2 + 2 * i];
        int index = -1;
        for (int c = 0; c < frame_.componentCount; ++c) {
            if (frame_.components[c].identifier == selector) {
                index = c;
            }
        }
        if (index < 0 || seen[index] || (tables >> 4) > 3 || (tables & 15) > 3) {
            status_.Fail(HXJPEG_ERR_SCAN);
            return;
        }
        seen[index] = true;
        scan.components[i] = {uint8_t(index), uint8_t(tables >> 4), uint8_t(tables & 15), 0};
    }
    const uint8_t* s = p + 1 + 2 * count;
    scan.ss = s[0];
    scan.se = s[1];
    scan.ah = uint8_t(s[2] >> 4);
    scan.al = uint8_t(s[2] & 15);
    if (frame_.progressive) {
        bool dc = scan.ss == 0;
        if (scan.se > 63 || scan.ss > scan.se || (dc && scan.se != 0) || (!dc && count != 1) ||
            scan.al > 13 || scan.ah > 13) {
            status_.Fail(HXJPEG_ERR_SCAN);
            return;
        }
    } else {
        scan.ss = 0;
        scan.se = 63;
        scan.ah = scan.al = 0;
    }
    // A table the file never defined falls back to the JPEG Annex K.3 example tables.
    for (int i = 0; i < count; ++i) {
        ScanComponent& sc = scan.components[i];
        if (!huffmanTables_.IsDefined(false, sc.dcTable)) {
            huffmanTables_.Fill(false, sc.dcTable)
                .Build(StandardDCTable(sc.dcTable == 0 ? 0 : 1), false);
        }
        if (!huffmanTables_.IsDefined(true, sc.acTable)) {
            huffmanTables_.Fill(true, sc.acTable)
                .Build(StandardACTable(sc.acTable == 0 ? 0 : 1), true);
        }
    }
    scan_ = scan;
    handler_->OnScan(scan_);
}

void JPEGDecoder::ReadRestartInterval(uint32_t payload) {
    if (payload < 2 || !input_.Ensure(2)) {
        input_.Skip(payload);
        return;
    }
    restartInterval_ = uint16_t((input_.data[input_.pos] << 8) | input_.data[input_.pos + 1]);
    input_.pos += 2;
    handler_->OnRestartInterval(restartInterval_);
    input_.Skip(payload - 2);
}

void JPEGDecoder::ReadAppSegment(uint8_t code, uint32_t payload) {
    AppSegmentReader::Head head;
    if (!metaData_.Read(input_, code, payload, &head)) {
        status_.Warn(HXJPEG_WARN_EARLY_END);
        return;
    }
    if (code == marker::kAPP14) {
        // The codec's own APP14 signature; transform byte 0 means stored without a colour
        // transform (plain CMYK for four components).
        untransformed_ = head.size >= AppSegmentReader::Head::kSize &&
                         std::memcmp(head.bytes, "Quarn", 5) == 0 && head.bytes[11] == 0;
    }
}

}  // namespace HXJPEG
