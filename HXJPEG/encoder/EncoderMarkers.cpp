// The marker segments the encoder writes: SOI and APP14, DQT, DRI, SOF, DHT, SOS and EOI.
#include "HXJPEG/encoder/JPEGEncoder.h"

#include "HXJPEG/common/Markers.h"

namespace HXJPEG {
namespace {

// "Quarn" APP14: version 100, flags0 0xC000, flags1 0, transform 1 (YCbCr / YCCK).
constexpr uint8_t kApp14Segment[] = {0xFF, 0xEE, 0x00, 0x0E, 'Q',  'u',  'a',  'r',
                                     'n',  0x00, 0x64, 0xC0, 0x00, 0x00, 0x00, 0x01};

}  // namespace

void JPEGEncoder::WriteHeaderOnce() {
    if (outputState_ != 0) {
        return;
    }
    stream_.PutMarker(marker::kSOI);
    stream_.PutBytes(kApp14Segment, sizeof(kApp14Segment) - 1);
    stream_.PutByte(colorTransform_);
    outputState_ = 1;
}

void JPEGEncoder::WriteEndOfImage() {
    stream_.PutMarker(marker::kEOI);
    stream_.Flush();
}

void JPEGEncoder::WriteFrameMarkers() {
    WriteQuantTables();
    WriteRestartInterval();
    WriteFrameHeader();
}

void JPEGEncoder::WriteQuantTables() {
    uint32_t length = 2;
    for (const EncoderQuantTable& table : quantTables_) {
        if (table.defined) {
            length += 1 + (table.NeedsSixteenBits() ? 128 : 64);
        }
    }
    stream_.PutMarker(marker::kDQT);
    stream_.PutU16(static_cast<uint16_t>(length));
    for (uint32_t t = 0; t < 4; ++t) {
        const EncoderQuantTable& table = quantTables_[t];
        if (!table.defined) {
            continue;
        }
        const bool wide = table.NeedsSixteenBits();
        stream_.PutByte(static_cast<uint8_t>((wide ? 0x10 : 0x00) | t));
        for (int k = 0; k < 64; ++k) {
            const uint16_t value = table.values[kZigZagToNatural[k]];
            if (wide) {
                stream_.PutU16(value);
            } else {
                stream_.PutByte(static_cast<uint8_t>(value));
            }
        }
    }
}

void JPEGEncoder::WriteRestartInterval() {
    stream_.PutMarker(marker::kDRI);
    stream_.PutU16(4);
    stream_.PutU16(0);
}

void JPEGEncoder::WriteFrameHeader() {
    bool wideTables = false;
    for (const EncoderQuantTable& table : quantTables_) {
        wideTables = wideTables || (table.defined && table.NeedsSixteenBits());
    }
    uint8_t code = marker::kSOF0;
    if (scanKind_ == ScanKind::kProgressive) {
        code = marker::kSOF2;
    } else if (scanKind_ == ScanKind::kExtended || wideTables) {
        code = marker::kSOF1;  // baseline allows 8-bit tables only
    }
    stream_.PutMarker(code);
    stream_.PutU16(static_cast<uint16_t>(8 + 3 * frame_.count));
    stream_.PutByte(8);
    stream_.PutU16(frame_.height);
    stream_.PutU16(frame_.width);
    stream_.PutByte(frame_.count);
    for (uint32_t i = 0; i < frame_.count; ++i) {
        const EncodeComponent& component = frame_.components[i];
        stream_.PutByte(static_cast<uint8_t>(i));
        stream_.PutByte(static_cast<uint8_t>((component.h << 4) | component.v));
        stream_.PutByte(component.quantTable);
    }
}

void JPEGEncoder::WriteHuffmanTables() {
    uint32_t length = 2;
    for (uint32_t t = 0; t < 4; ++t) {
        for (const HuffmanEncoderTable* table : {&dcTables_[t], &acTables_[t]}) {
            if (table->defined) {
                length += 17 + table->spec.symbolCount;
            }
        }
    }
    stream_.PutMarker(marker::kDHT);
    stream_.PutU16(static_cast<uint16_t>(length));
    for (uint32_t tableClass = 0; tableClass < 2; ++tableClass) {
        for (uint32_t t = 0; t < 4; ++t) {
            const HuffmanEncoderTable& table = tableClass == 0 ? dcTables_[t] : acTables_[t];
            if (!table.defined) {
                continue;
            }
            stream_.PutByte(static_cast<uint8_t>((tableClass << 4) | t));
            stream_.PutBytes(table.spec.counts + 1, 16);
            stream_.PutBytes(table.spec.symbols, static_cast<uint32_t>(table.spec.symbolCount));
        }
    }
}

void JPEGEncoder::WriteScanHeader(const uint32_t* components, uint32_t count, uint32_t ss,
                                  uint32_t se) {
    stream_.PutMarker(marker::kSOS);
    stream_.PutU16(static_cast<uint16_t>(6 + 2 * count));
    stream_.PutByte(static_cast<uint8_t>(count));
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t index = components != nullptr ? components[i] : i;
        const EncodeComponent& component = frame_.components[index];
        stream_.PutByte(static_cast<uint8_t>(index));
        stream_.PutByte(static_cast<uint8_t>((component.dcTable << 4) | component.acTable));
    }
    stream_.PutByte(static_cast<uint8_t>(ss));
    stream_.PutByte(static_cast<uint8_t>(se));
    stream_.PutByte(0);  // Ah = Al = 0: no successive approximation
}

}  // namespace HXJPEG
