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
    : options_(options), reportWarnings_(reportWarnings), input_(reader) {
    if (warningHandler != nullptr) {
        warningHandler_ = *warningHandler;
        hasWarningHandler_ = true;
    }
    reduced_ = !(options.scaleX == 1 && options.scaleY == 1);
    static const uint16_t kZero[64] = {};
    for (auto& q : quant_) {
        q.Set(kZero);
        q.defined = false;
    }
}

JPEGDecoder::~JPEGDecoder() {
    std::free(storeMemory_);
}

void JPEGDecoder::SetContentHandler(DecodeContentHandler* handler) {
    handler_ = handler != nullptr ? handler : &defaultHandler_;
}

void JPEGDecoder::Fail(int32_t code) {
    if (error_ == 0) {
        error_ = code;
    }
}

bool JPEGDecoder::Warn(int32_t code) {
    bool goOn = reportWarnings_ && (!hasWarningHandler_ || warningHandler_.onWarning == nullptr ||
                                    warningHandler_.onWarning(warningHandler_.userData, code));
    if (!goOn) {
        Fail(code);
    }
    return goOn;
}

int32_t JPEGDecoder::ReadHeader(const HXJPEGMetaDataHandler* metaDataHandler, HXJPEGHeader* out) {
    if (!headerDone_) {
        headerDone_ = true;
        if (metaDataHandler != nullptr) {
            metaDataHandler_ = *metaDataHandler;
            hasMetaDataHandler_ = true;
        }
        RunMarkerLoop(kModeHeader);
    }
    if (out != nullptr) {
        *out = {};
        out->width = uint16_t(reduced_ ? mcusAcross_ * hMax_ : width_);
        out->height = uint16_t(reduced_ ? mcusDown_ * vMax_ : height_);
        out->numComponents = uint8_t(componentCount_);
        out->colorSpace = componentCount_ == 1   ? HXJPEG_COLOR_GREY
                          : componentCount_ == 3 ? HXJPEG_COLOR_RGB
                          : componentCount_ == 4 ? HXJPEG_COLOR_CMYK
                                                 : HXJPEG_COLOR_DEFAULT;
    }
    if (error_ != 0) {
        return error_;
    }
    return (width_ == 0 || height_ == 0) ? HXJPEG_ERR_NO_FRAME : 0;
}

int32_t JPEGDecoder::ReadContent(uint32_t colorSpace, const HXJPEGTiledContentWriter& sink) {
    if (colorSpace == HXJPEG_COLOR_DEFAULT) {
        colorSpace = componentCount_ == 1   ? HXJPEG_COLOR_GREY
                     : componentCount_ == 3 ? HXJPEG_COLOR_RGB
                     : componentCount_ == 4 ? HXJPEG_COLOR_CMYK
                                            : HXJPEG_COLOR_RGB;
    }
    if (colorSpace == 3 || colorSpace > HXJPEG_COLOR_RGBX) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    int32_t headerResult = ReadHeader(nullptr, nullptr);
    if (headerResult != 0 || contentDone_) {
        return headerResult != 0 ? headerResult : error_;
    }
    contentDone_ = true;
    colorSpace_ = colorSpace;
    sink_ = sink;
    RunMarkerLoop(reduced_ ? kModeReduced : kModeFull);
    if (sinkBegun_ && sink_.end != nullptr) {
        sink_.end(sink_.userData);
    }
    sinkBegun_ = false;
    if (error_ == 0 && scanCount_ == 0) {
        return HXJPEG_ERR_NO_FRAME;  // a frame without any scan has no image to deliver
    }
    return error_ != 0 ? error_ : ((width_ == 0 || height_ == 0) ? HXJPEG_ERR_NO_FRAME : 0);
}

int32_t JPEGDecoder::ReadCoefficients(uint32_t mode) {
    int32_t headerResult = ReadHeader(nullptr, nullptr);
    if (headerResult != 0 || contentDone_) {
        return headerResult != 0 ? headerResult : error_;
    }
    contentDone_ = true;
    RunMarkerLoop(kModeCoefficients | (mode & (kModeFull | kModeReduced)));
    return error_ != 0 ? error_ : ((width_ == 0 || height_ == 0) ? HXJPEG_ERR_NO_FRAME : 0);
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
        Warn(HXJPEG_WARN_EARLY_END);
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
    if (!resumeAtScan && !frameRead_ && scanCount_ == 0 && mode == kModeHeader) {
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
            } else if (!frameRead_) {
                progressive_ = code == marker::kSOF2;
                ParseFrame(payload);
                if (error_ == 0) {
                    int32_t query = handler_->QueryAfterFrame();
                    if (query != 0) {
                        Fail(query);
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
                if (error_ == 0) {
                    if (mode & kModeCoefficients) {
                        reduced_ = (mode & kModeReduced) != 0;
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
        if (stop || error_ != 0) {
            break;
        }
        if (!FindMarker(&code)) {
            if (mode != kModeHeader) {
                Warn(HXJPEG_WARN_EARLY_END);  // no EOI: the input ended early
            }
            break;
        }
    }
    if (storeUsed_ && error_ == 0 && mode != kModeHeader) {
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
        Fail(HXJPEG_ERR_COMPONENT_COUNT);
        return;
    }
    if (payload < uint32_t(6 + 3 * count)) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        const uint8_t* c = p + 6 + 3 * i;
        FrameComponent fc;
        fc.identifier = c[0];
        fc.h = uint8_t(c[1] >> 4);
        fc.v = uint8_t(c[1] & 15);
        fc.quantTable = c[2];
        if (fc.h > 4 || fc.v > 4 || fc.h == 0 || fc.v == 0 || fc.quantTable > 3 ||
            fc.identifier > 4) {
            Fail(HXJPEG_ERR_FRAME_COMPONENT);
            return;
        }
        if (count == 1) {
            fc.h = fc.v = 1;
        }
        frame_[i] = fc;
    }
    frameRead_ = true;
    width_ = width;
    height_ = height;
    componentCount_ = count;
    hMax_ = vMax_ = 1;
    for (int i = 0; i < count; ++i) {
        hMax_ = std::max<int>(hMax_, frame_[i].h);
        vMax_ = std::max<int>(vMax_, frame_[i].v);
    }
    mcusAcross_ = (width_ + 8 * hMax_ - 1) / (8 * hMax_);
    mcusDown_ = (height_ + 8 * vMax_ - 1) / (8 * vMax_);
    handler_->OnFrame(width_, height_, frame_, uint8_t(componentCount_));
}

void JPEGDecoder::ParseQuantTables(uint32_t payload) {
    const uint8_t* p = segment_.data();
    uint32_t at = 0;
    while (at < payload) {
        int precision = p[at] >> 4;
        int number = p[at] & 15;
        ++at;
        if (number > 3) {
            Fail(HXJPEG_ERR_QUANT_TABLE_NUMBER);
            return;
        }
        if (precision > 1) {
            Fail(HXJPEG_ERR_QUANT_PRECISION);
            return;
        }
        uint32_t size = precision == 1 ? 128 : 64;
        if (payload - at < size) {
            Fail(HXJPEG_ERR_QUANT_TABLE_SHORT);
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
            Fail(HXJPEG_ERR_HUFFMAN);
            return;
        }
        HuffmanTableSpec spec;
        for (int l = 1; l <= 16; ++l) {
            spec.counts[l] = p[at + l];
            spec.symbolCount += spec.counts[l];
        }
        at += 17;
        if (spec.symbolCount > 256 || payload - at < uint32_t(spec.symbolCount)) {
            Fail(HXJPEG_ERR_HUFFMAN);
            return;
        }
        std::memcpy(spec.symbols, p + at, spec.symbolCount);
        at += spec.symbolCount;
        HuffmanDecodeTable& table = tableClass == 0 ? dcTables_[number] : acTables_[number];
        if (!table.Build(spec, tableClass == 1)) {
            Fail(HXJPEG_ERR_HUFFMAN);
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
        Fail(HXJPEG_ERR_SCAN);
        return;
    }
    int count = p[0];
    if (count < 1 || count > 4 || payload < uint32_t(1 + 2 * count + 3) || !frameRead_) {
        Fail(frameRead_ ? HXJPEG_ERR_SCAN : HXJPEG_ERR_NO_FRAME);
        return;
    }
    if (++scanCount_ > HXJPEG_MAX_SCANS) {
        Fail(HXJPEG_ERR_TOO_MANY_SCANS);
        return;
    }
    ScanHeader scan;
    scan.count = uint8_t(count);
    bool seen[4] = {};
    for (int i = 0; i < count; ++i) {
        int selector = p[1 + 2 * i];
        int tables = p[2 + 2 * i];
        int index = -1;
        for (int c = 0; c < componentCount_; ++c) {
            if (frame_[c].identifier == selector) {
                index = c;
            }
        }
        if (index < 0 || seen[index] || (tables >> 4) > 3 || (tables & 15) > 3) {
            Fail(HXJPEG_ERR_SCAN);
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
    if (progressive_) {
        bool dc = scan.ss == 0;
        if (scan.se > 63 || scan.ss > scan.se || (dc && scan.se != 0) || (!dc && count != 1) ||
            scan.al > 13 || scan.ah > 13) {
            Fail(HXJPEG_ERR_SCAN);
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
        if (!dcTables_[sc.dcTable].defined) {
            dcTables_[sc.dcTable].Build(StandardDCTable(sc.dcTable == 0 ? 0 : 1), false);
        }
        if (!acTables_[sc.acTable].defined) {
            acTables_[sc.acTable].Build(StandardACTable(sc.acTable == 0 ? 0 : 1), true);
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
    uint8_t appIndex = uint8_t(code - marker::kAPP0);
    uint8_t signature[12];
    const uint8_t* head = nullptr;  // the first 12 bytes when they were read
    bool taken = false;
    if (hasMetaDataHandler_ && metaDataHandler_.begin != nullptr) {
        uint8_t* buffer = nullptr;
        metaDataHandler_.begin(metaDataHandler_.userData, appIndex, uint16_t(payload), &buffer);
        if (buffer != nullptr) {
            taken = true;
            bool complete = input_.ReadInto(buffer, payload);
            // The buffer is the handler's, which may release it in `end`: keep the signature.
            if (complete && payload >= 12) {
                std::memcpy(signature, buffer, 12);
                head = signature;
            }
            if (metaDataHandler_.end != nullptr) {
                metaDataHandler_.end(metaDataHandler_.userData, appIndex, uint16_t(payload), buffer,
                                     complete);
            }
            if (!complete) {
                Warn(HXJPEG_WARN_EARLY_END);
                return;
            }
        }
    }
    if (!taken) {
        uint32_t rest = payload;
        if (code == marker::kAPP14 && payload >= 12) {
            if (!input_.ReadInto(signature, 12)) {
                Warn(HXJPEG_WARN_EARLY_END);
                return;
            }
            head = signature;
            rest -= 12;
        }
        if (!input_.Skip(rest)) {
            Warn(HXJPEG_WARN_EARLY_END);
            return;
        }
    }
    if (code == marker::kAPP14) {
        // The codec's own APP14 signature; transform byte 0 means stored without a colour
        // transform (plain CMYK for four components).
        untransformed_ =
            head != nullptr && payload >= 12 && std::memcmp(head, "Quarn", 5) == 0 && head[11] == 0;
    }
}

}  // namespace HXJPEG
