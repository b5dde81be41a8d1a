// Entropy decoding: the bit reader, Huffman symbols, sequential and progressive blocks,
// restart intervals, and the scan loops that feed the coefficient store or the single pass.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "HXJPEG/common/ZigZag.h"
#include "HXJPEG/decoder/IDCT.h"
#include "HXJPEG/decoder/JPEGDecoder.h"

namespace HXJPEG {

void JPEGDecoder::ResetBitReader() {
    bits_ = 0;
    bitCount_ = 0;
    inventedBits_ = 0;
}

namespace {

inline uint64_t LoadBigEndian64(const uint8_t* p) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    return __builtin_bswap64(word);
}

// Clears one block of 64 coefficients with plain vector stores (a memset of this size tends to
// become a slow string instruction).
inline void ZeroBlock(int16_t* zz) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < 64; i += 8) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(zz + i), zero);
    }
#else
    std::memset(zz, 0, 64 * sizeof(int16_t));
#endif
}

inline bool HasFFByte(uint64_t word) {
    uint64_t inverted = ~word;
    return ((inverted - 0x0101010101010101ULL) & ~inverted & 0x8080808080808080ULL) != 0;
}

}  // namespace

// The common case of FillBits, inlined into the block decoders: eight bytes without 0xFF.
inline void JPEGDecoder::FillBitsFast() {
    if (pendingMarker_ == 0 && input_.end - input_.pos >= 8) {
        uint64_t word = LoadBigEndian64(input_.data + input_.pos);
        if (!HasFFByte(word)) {
            int bytes = (64 - bitCount_) >> 3;
            bits_ |= (word & (~0ULL << (64 - 8 * bytes))) >> bitCount_;
            bitCount_ += 8 * bytes;
            input_.pos += size_t(bytes);
            return;
        }
    }
    FillBits();
}

// FillBitsFast for a bit reader that a block decoder keeps in registers; the members are
// brought in step only around the slow path.
inline void JPEGDecoder::FillLocalBits(uint64_t& bits, int& bitCount) {
    uint64_t word;
    if (pendingMarker_ == 0 && input_.end - input_.pos >= 8 &&
        !HasFFByte(word = LoadBigEndian64(input_.data + input_.pos))) {
        int bytes = (64 - bitCount) >> 3;
        bits |= (word & (~0ULL << (64 - 8 * bytes))) >> bitCount;
        bitCount += 8 * bytes;
        input_.pos += size_t(bytes);
        return;
    }
    bits_ = bits;
    bitCount_ = bitCount;
    FillBits();
    bits = bits_;
    bitCount = bitCount_;
}

// Tops the accumulator up to more than 56 bits. Stuffed 0xFF 0x00 yields 0xFF; a marker stays
// in the input (pendingMarker_) and, like the end of the data, feeds zero bits that are counted
// so that a block which used them can be detected (CheckDataEnd).
void JPEGDecoder::FillBits() {
    while (bitCount_ <= 56) {
        if (pendingMarker_ == 0) {
            size_t available = input_.end - input_.pos;
            if (available >= 8) {
                uint64_t word = LoadBigEndian64(input_.data + input_.pos);
                uint64_t inverted = ~word;
                bool hasFF =
                    ((inverted - 0x0101010101010101ULL) & ~inverted & 0x8080808080808080ULL) != 0;
                if (!hasFF) {
                    int bytes = (64 - bitCount_) >> 3;
                    uint64_t taken = bytes == 8 ? word : (word & (~0ULL << (64 - 8 * bytes)));
                    bits_ |= taken >> bitCount_;
                    bitCount_ += 8 * bytes;
                    input_.pos += bytes;
                    continue;
                }
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

inline uint32_t JPEGDecoder::GetBits(int n) {
    if (n == 0) {
        return 0;
    }
    if (bitCount_ < n) {
        FillBits();
    }
    uint32_t v = uint32_t(bits_ >> (64 - n));
    bits_ <<= n;
    bitCount_ -= n;
    return v;
}

// JPEG F.2.2.1: receive `size` bits and extend their sign.
inline int JPEGDecoder::ReceiveExtend(int size) {
    if (size == 0) {
        return 0;
    }
    if (bitCount_ < size) {
        FillBits();
    }
    int v = int(bits_ >> (64 - size));
    bits_ <<= size;
    bitCount_ -= size;
    return v < (1 << (size - 1)) ? v - (1 << size) + 1 : v;
}

// Returns the symbol, or -1 for a code the table does not hold.
inline int JPEGDecoder::DecodeHuffman(const HuffmanDecodeTable& table) {
    if (bitCount_ < 16) {
        FillBitsFast();
    }
    HuffmanDecodeTable::Entry e = table.lookahead[bits_ >> 56];
    if (e.length != HuffmanDecodeTable::kLongCode) {
        bits_ <<= e.length;
        bitCount_ -= e.length;
        return e.symbol;
    }
    uint32_t top16 = uint32_t(bits_ >> 48);
    for (int length = 9; length <= table.lastLength; ++length) {
        int32_t code = int32_t(top16 >> (16 - length));
        if (code <= table.maxCode[length]) {
            int index = code + table.valueOffset[length];
            if (index < 0 || index > 255) {
                return -1;
            }
            bits_ <<= length;
            bitCount_ -= length;
            return table.symbols[index];
        }
    }
    return -1;
}

// After a block: did it use bits beyond the real data? Then warning -301; if decoding goes on,
// the rest of the segment decodes as zero coefficients.
bool JPEGDecoder::CheckDataEnd() {
    if (inventedBits_ > bitCount_ && !dataExhausted_) {
        if (!Warn(HXJPEG_WARN_EARLY_END)) {
            return false;
        }
        dataExhausted_ = true;
    }
    return true;
}

// Empties the bit reader and consumes the restart marker that is due, resynchronising past
// stray bytes, and resets the predictors. When no restart marker follows, the scan ends there if
// `endsScanIfMissing`, else decoding goes on with reset predictors. A marker out of the RSTn
// sequence raises warning -302. False when decoding must stop.
bool JPEGDecoder::ProcessRestart(bool endsScanIfMissing) {
    ResetBitReader();
    if (pendingMarker_ == 0) {
        uint8_t code = 0;
        // Find the next marker without consuming it.
        for (;;) {
            if (!input_.Ensure(2)) {
                break;
            }
            const uint8_t* p = input_.data + input_.pos;
            if (p[0] == 0xFF && p[1] != 0 && p[1] != 0xFF) {
                code = p[1];
                break;
            }
            ++input_.pos;
        }
        pendingMarker_ = code;
    }
    const bool found = marker::IsRestart(pendingMarker_);
    if (found) {
        const bool inOrder = restarts_.FollowsSequence(pendingMarker_);
        input_.pos += 2;
        pendingMarker_ = 0;
        dataExhausted_ = false;
        eobRun_ = 0;
        if (!inOrder && !Warn(HXJPEG_WARN_RESTART_SEQUENCE)) {
            return false;
        }
    } else {
        restarts_.Missed();
        if (endsScanIfMissing) {
            return false;
        }
    }
    for (int i = 0; i < scan_.count; ++i) {
        scan_.components[i].dcPredictor = 0;
    }
    return true;
}

// Sequential block into natural (row-major) order; the block must be zeroed. Returns the
// coefficient count (last zig-zag index + 1), or -1 when decoding must stop. With dcOnly the AC
// coefficients are skipped, not stored.
int JPEGDecoder::DecodeBlockSequential(int16_t* zz, ScanComponent& sc, bool dcOnly) {
    return dcOnly ? DecodeBlock<true>(zz, sc) : DecodeBlock<false>(zz, sc);
}

template <bool dcOnly>
int JPEGDecoder::DecodeBlock(int16_t* zz, ScanComponent& sc) {
    if (dataExhausted_) {
        return 1;
    }
    const HuffmanDecodeTable& dc = dcTables_[sc.dcTable];
    const HuffmanDecodeTable& ac = acTables_[sc.acTable];
    int s = DecodeHuffman(dc);
    if (s < 0 || s > 16) {
        Fail(HXJPEG_ERR_HUFFMAN);
        return -1;
    }
    int diff = s == 16 ? 0 : ReceiveExtend(s);
    sc.dcPredictor = int16_t(sc.dcPredictor + diff);
    zz[0] = sc.dcPredictor;
    if constexpr (dcOnly) {
        return SkipACCoefficients(ac);
    }
    int count = 1;
    // The AC loop keeps the bit reader in registers; the members are synchronised around the
    // rare slow paths (refill across 0xFF or the end, codes the fast table does not resolve).
    uint64_t bits = bits_;
    int bitCount = bitCount_;
    auto store = [&] {
        bits_ = bits;
        bitCount_ = bitCount;
    };
    auto load = [&] {
        bits = bits_;
        bitCount = bitCount_;
    };
    for (int k = 1; k < 64;) {
        if (bitCount < 32) {
            FillLocalBits(bits, bitCount);
        }
        unsigned peek = unsigned(bits >> (64 - HuffmanDecodeTable::kFastBits));
        int total = ac.fastTotalLength[peek];
        if (total != 0) {
            int run = ac.fastRun[peek];
            bits <<= total;
            bitCount -= total;
            if (run == HuffmanDecodeTable::kEndOfBlock) {
                break;
            }
            k += run;
            if (k > 63) {
                // A run past the end: keep the value at the last position, as common
                // decoders do, so that such files decode alike.
                if (!dcOnly) {
                    zz[63] = ac.fastValue[peek];
                }
                count = 64;
                break;
            }
            if (!dcOnly) {
                zz[kZigZagToNatural[k]] = ac.fastValue[peek];
            }
            count = ++k;
            continue;
        }
        store();
        int symbol = DecodeHuffman(ac);
        if (symbol < 0) {
            if (!Warn(HXJPEG_WARN_BAD_AC_CODE)) {
                return -1;
            }
            return count;
        }
        int run = symbol >> 4;
        int size = symbol & 15;
        if (size == 0) {
            if (run != 15) {
                return count;  // end of block
            }
            k += 16;
            load();
            continue;
        }
        k += run;
        if (k > 63) {
            int value = ReceiveExtend(size);
            if (!dcOnly) {
                zz[63] = int16_t(value);
            }
            return 64;
        }
        if (dcOnly) {
            GetBits(size);
        } else {
            zz[kZigZagToNatural[k]] = int16_t(ReceiveExtend(size));
        }
        count = ++k;
        load();
    }
    store();
    return count;
}

// The AC part of a sequential block when only the DC term is wanted: codes and magnitude bits
// are passed over by table look-ups. Returns 1, or -1 when decoding must stop.
int JPEGDecoder::SkipACCoefficients(const HuffmanDecodeTable& ac) {
    uint64_t bits = bits_;
    int bitCount = bitCount_;
    for (int k = 1; k < 64;) {
        if (bitCount < HuffmanDecodeTable::kSkipBits) {
            FillLocalBits(bits, bitCount);
        }
        // Mostly two coefficients per look-up; where the block ends inside a pair, the first
        // one decides whether the second still belongs to it.
        const unsigned slot = unsigned(bits >> (64 - HuffmanDecodeTable::kSkipBits));
        const uint16_t entry = ac.skipPair[slot];
        int total = entry & 0xFF;
        if (total != 0) {
            if (k + (entry >> 8) >= 64 && k + (ac.skip[slot] >> 8) >= 64) {
                total = ac.skip[slot] & 0xFF;
            }
            bits <<= total;
            bitCount -= total;
            k += entry >> 8;
            continue;
        }
        bits_ = bits;
        bitCount_ = bitCount;
        int symbol = DecodeHuffman(ac);
        if (symbol < 0) {
            return Warn(HXJPEG_WARN_BAD_AC_CODE) ? 1 : -1;
        }
        int run = symbol >> 4;
        int size = symbol & 15;
        if (size == 0) {
            if (run != 15) {
                return 1;  // end of block
            }
            k += 16;
        } else {
            GetBits(size);
            k += run + 1;
        }
        bits = bits_;
        bitCount = bitCount_;
    }
    bits_ = bits;
    bitCount_ = bitCount;
    return 1;
}

bool JPEGDecoder::DecodeProgressiveDCFirst(int16_t* zz, ScanComponent& sc) {
    if (dataExhausted_) {
        return true;
    }
    int s = DecodeHuffman(dcTables_[sc.dcTable]);
    if (s < 0 || s > 16) {
        Fail(HXJPEG_ERR_HUFFMAN);
        return false;
    }
    int diff = s == 16 ? 0 : ReceiveExtend(s);
    sc.dcPredictor = int16_t(sc.dcPredictor + diff);
    zz[0] = int16_t(int(sc.dcPredictor) * (1 << scan_.al));
    return true;
}

bool JPEGDecoder::DecodeProgressiveDCRefine(int16_t* zz) {
    if (dataExhausted_) {
        return true;
    }
    if (GetBits(1)) {
        zz[0] = int16_t(zz[0] | (1 << scan_.al));
    }
    return true;
}

bool JPEGDecoder::DecodeProgressiveACFirst(int16_t* zz) {
    if (dataExhausted_) {
        return true;
    }
    if (eobRun_ > 0) {
        --eobRun_;
        return true;
    }
    const HuffmanDecodeTable& ac = acTables_[scan_.components[0].acTable];
    for (int k = scan_.ss; k <= scan_.se; ++k) {
        int symbol = DecodeHuffman(ac);
        if (symbol < 0) {
            return Warn(HXJPEG_WARN_BAD_AC_CODE);
        }
        int run = symbol >> 4;
        int size = symbol & 15;
        if (size != 0) {
            k += run;
            int value = ReceiveExtend(size);
            if (k > scan_.se) {
                break;
            }
            zz[kZigZagToNatural[k]] = int16_t(value * (1 << scan_.al));
        } else if (run == 15) {
            k += 15;
        } else {
            eobRun_ = (1u << run) + GetBits(run) - 1;  // end-of-band run, this block included
            break;
        }
    }
    return true;
}

// JPEG G.1.2.3: correction bits for coefficients already non-zero, new coefficients of
// +-(1 << Al), and end-of-band runs.
bool JPEGDecoder::DecodeProgressiveACRefine(int16_t* zz) {
    if (dataExhausted_) {
        return true;
    }
    const int p1 = 1 << scan_.al;
    const int m1 = -p1;
    const HuffmanDecodeTable& ac = acTables_[scan_.components[0].acTable];
    int k = scan_.ss;
    auto refine = [&](int16_t& coefficient) {
        if (GetBits(1) && (coefficient & p1) == 0) {
            coefficient = int16_t(coefficient >= 0 ? coefficient + p1 : coefficient + m1);
        }
    };
    if (eobRun_ == 0) {
        for (; k <= scan_.se; ++k) {
            int symbol = DecodeHuffman(ac);
            if (symbol < 0) {
                return Warn(HXJPEG_WARN_BAD_AC_CODE);
            }
            int run = symbol >> 4;
            int size = symbol & 15;
            int value = 0;
            if (size != 0) {
                value = GetBits(1) ? p1 : m1;
            } else if (run != 15) {
                eobRun_ = (1u << run) + GetBits(run);
                break;
            }
            while (k <= scan_.se) {
                if (zz[kZigZagToNatural[k]] != 0) {
                    refine(zz[kZigZagToNatural[k]]);
                } else if (--run < 0) {
                    break;
                }
                ++k;
            }
            if (value != 0 && k <= scan_.se) {
                zz[kZigZagToNatural[k]] = int16_t(value);
            }
        }
    }
    if (eobRun_ > 0) {
        for (; k <= scan_.se; ++k) {
            if (zz[kZigZagToNatural[k]] != 0) {
                refine(zz[kZigZagToNatural[k]]);
            }
        }
        --eobRun_;
    }
    return true;
}

bool JPEGDecoder::AllocateStore() {
    if (store_.Allocated()) {
        return true;
    }
    if (!store_.Allocate(frame_, componentCount_, mcusAcross_, mcusDown_)) {
        Fail(HXJPEG_ERR_OUT_OF_MEMORY);
        return false;
    }
    return true;
}

// Decodes one scan: straight to the output when it is a sequential scan of every component,
// else into the coefficient store.
void JPEGDecoder::DecodeScanIntoStore() {
    ResetBitReader();
    pendingMarker_ = 0;
    dataExhausted_ = false;
    eobRun_ = 0;
    restarts_.StartScan(restartInterval_);
    if (width_ == 0 || height_ == 0) {
        return;
    }
    if (!progressive_ && scan_.count == componentCount_ && !storeUsed_) {
        if (!contentSinglePassDone_) {
            contentSinglePassDone_ = true;
            DecodeSinglePass();
        }
        return;
    }
    if (contentSinglePassDone_ || !AllocateStore()) {
        return;
    }
    storeUsed_ = true;
    auto decodeBlock = [&](int16_t* zz, ScanComponent& sc) -> bool {
        if (!progressive_) {
            ZeroBlock(zz);
            return DecodeBlockSequential(zz, sc, false) >= 0;
        }
        if (scan_.ss == 0) {
            return scan_.ah == 0 ? DecodeProgressiveDCFirst(zz, sc) : DecodeProgressiveDCRefine(zz);
        }
        return scan_.ah == 0 ? DecodeProgressiveACFirst(zz) : DecodeProgressiveACRefine(zz);
    };
    auto beforeUnit = [&]() -> bool { return !restarts_.DueBeforeUnit() || ProcessRestart(true); };

    if (scan_.count == 1) {
        // Non-interleaved: the MCU is one block; only the component's own blocks are coded.
        ScanComponent& sc = scan_.components[0];
        const FrameComponent& fc = frame_[sc.frameIndex];
        int compWidth = (width_ * fc.h + hMax_ - 1) / hMax_;
        int compHeight = (height_ * fc.v + vMax_ - 1) / vMax_;
        int blocksAcross = (compWidth + 7) / 8;
        int blocksDown = (compHeight + 7) / 8;
        for (int by = 0; by < blocksDown; ++by) {
            for (int bx = 0; bx < blocksAcross; ++bx) {
                if (!beforeUnit()) {
                    return;
                }
                if (!decodeBlock(store_.Block(sc.frameIndex, bx, by), sc) || !CheckDataEnd()) {
                    return;
                }
            }
        }
        return;
    }
    for (int my = 0; my < mcusDown_; ++my) {
        for (int mx = 0; mx < mcusAcross_; ++mx) {
            if (!beforeUnit()) {
                return;
            }
            for (int i = 0; i < scan_.count; ++i) {
                ScanComponent& sc = scan_.components[i];
                const FrameComponent& fc = frame_[sc.frameIndex];
                for (int v = 0; v < fc.v; ++v) {
                    for (int h = 0; h < fc.h; ++h) {
                        int16_t* zz = store_.Block(sc.frameIndex, mx * fc.h + h, my * fc.v + v);
                        if (!decodeBlock(zz, sc)) {
                            return;
                        }
                    }
                }
            }
            if (!CheckDataEnd()) {
                return;
            }
        }
    }
}

// Sequential scan of every component: entropy decoding, inverse DCT and output band by band,
// chunk by chunk, without holding the image.
void JPEGDecoder::DecodeSinglePass() {
    bool coefficientsOnly = (mode_ & kModeCoefficients) != 0;
    if (!PrepareOutput()) {
        return;
    }
    bool notify = handler_ != &defaultHandler_;
    bool dcOnly = reduced_ && !coefficientsOnly && !notify;
    int16_t* zz = zzScratch_.data();
    for (int my = 0; my < mcusDown_; ++my) {
        if (!coefficientsOnly && !BeginBand(my)) {
            return;
        }
        for (int mx0 = 0; mx0 < mcusAcross_; mx0 += chunkMCUs_) {
            int n = std::min(chunkMCUs_, mcusAcross_ - mx0);
            for (int m = 0; m < n; ++m) {
                if (restarts_.DueBeforeUnit() && !ProcessRestart(false)) {
                    return;
                }
                for (int i = 0; i < scan_.count; ++i) {
                    ScanComponent& sc = scan_.components[i];
                    int c = sc.frameIndex;
                    const FrameComponent& fc = frame_[c];
                    for (int v = 0; v < fc.v; ++v) {
                        for (int h = 0; h < fc.h; ++h) {
                            int count = DecodeBlockSequential(zz, sc, dcOnly);
                            if (count < 0) {
                                return;
                            }
                            if (notify) {
                                NotifyDecodedBlock(zz, c);
                            }
                            if (coefficientsOnly) {
                                handler_->OnBlockNatural(zz, c, 1);
                                ZeroBlock(zz);
                                continue;
                            }
                            int16_t* out = output_.BlockSamples(c, m * fc.h + h, v);
                            if (dcOnly) {
                                // The reduced decode: one sample from the DC term, which is
                                // also the only coefficient written.
                                *out = DCOnlySample(zz[0], quant_[fc.quantTable]);
                                zz[0] = 0;
                                continue;
                            }
                            DecodeBlockToSamples(zz, count, c, out, output_.ChunkStride(c));
                            ZeroBlock(zz);  // for the next block
                        }
                    }
                }
                if (!CheckDataEnd()) {
                    return;
                }
            }
            if (!coefficientsOnly) {
                output_.EmitChunk(my, mx0, n);
            }
        }
        if (!coefficientsOnly && !EndBand(my)) {
            return;
        }
    }
}

}  // namespace HXJPEG
