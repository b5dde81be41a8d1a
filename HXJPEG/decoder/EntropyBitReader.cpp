#include "HXJPEG/decoder/EntropyBitReader.h"

namespace HXJPEG {

void EntropyBitReader::Fill() {
    while (bitCount_ <= 56) {
        if (pendingMarker_ == 0) {
            size_t available = input_.end - input_.pos;
            uint64_t word;
            if (available >= 8 && !HasFFByte(word = LoadBigEndian64(input_.data + input_.pos))) {
                TakeWord(word, bits_, bitCount_);
                continue;
            }
            if (available >= 2 || input_.Ensure(2)) {
                uint8_t byte = input_.data[input_.pos];
                if (byte != 0xFF) {
                    ++input_.pos;
                    bits_ |= uint64_t(byte) << (56 - bitCount_);
                    bitCount_ += 8;
                    continue;
                }
                uint8_t next = input_.data[input_.pos + 1];
                if (next == 0) {
                    input_.pos += 2;
                    bits_ |= uint64_t(0xFF) << (56 - bitCount_);
                    bitCount_ += 8;
                    continue;
                }
                pendingMarker_ = next;  // left in the input for the restart logic or marker loop
            } else if (input_.Available() == 1 && input_.data[input_.pos] != 0xFF) {
                bits_ |= uint64_t(input_.data[input_.pos++]) << (56 - bitCount_);
                bitCount_ += 8;
                continue;
            }
        }
        bitCount_ += 8;
        inventedBits_ += 8;
    }
}

uint8_t EntropyBitReader::NextMarker() {
    if (pendingMarker_ != 0) {
        return pendingMarker_;
    }
    uint8_t code = 0;
    while (input_.Ensure(2)) {
        const uint8_t* p = input_.data + input_.pos;
        if (p[0] == 0xFF && p[1] != 0 && p[1] != 0xFF) {
            code = p[1];
            break;
        }
        ++input_.pos;
    }
    pendingMarker_ = code;
    return code;
}

}  // namespace HXJPEG
