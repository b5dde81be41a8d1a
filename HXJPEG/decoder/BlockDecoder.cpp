// Entropy decoding of blocks: Huffman-coded sequential blocks (in full, or passing over the AC
// terms), the progressive passes, and the restart intervals between units.
#include "HXJPEG/decoder/BlockDecoder.h"

#include "HXJPEG/common/Markers.h"
#include "HXJPEG/common/ZigZag.h"

namespace HXJPEG {

void BlockDecoder::StartScan(ScanHeader& scan, uint16_t restartInterval) {
    reader_.StartScan();
    scan_ = &scan;
    dataExhausted_ = false;
    eobRun_ = 0;
    restarts_.StartScan(restartInterval);
}

// Bits beyond the real data raise warning -301; if decoding goes on, the rest of the interval
// decodes as zero coefficients.
bool BlockDecoder::ReportDataEnd() {
    if (!status_.Warn(HXJPEG_WARN_EARLY_END)) {
        return false;
    }
    dataExhausted_ = true;
    return true;
}

// Empties the bit reader and consumes the restart marker that is due, resynchronising past
// stray bytes, and resets the predictors. When no restart marker follows, the scan ends there if
// `endsScanIfMissing`, else decoding goes on with reset predictors. A marker out of the RSTn
// sequence raises warning -302. False when decoding must stop.
bool BlockDecoder::ProcessRestart(bool endsScanIfMissing) {
    reader_.Reset();
    const uint8_t code = reader_.NextMarker();
    if (marker::IsRestart(code)) {
        const bool inOrder = restarts_.FollowsSequence(code);
        reader_.ConsumeMarker();
        dataExhausted_ = false;
        eobRun_ = 0;
        if (!inOrder && !status_.Warn(HXJPEG_WARN_RESTART_SEQUENCE)) {
            return false;
        }
    } else {
        restarts_.Missed();
        if (endsScanIfMissing) {
            return false;
        }
    }
    for (int i = 0; i < scan_->count; ++i) {
        scan_->components[i].dcPredictor = 0;
    }
    return true;
}

int BlockDecoder::DecodeAC(int16_t* zz, const HuffmanDecodeTable& ac) {
    int count = 1;
    // The AC loop keeps the bit reader in registers; the members are synchronised around the
    // rare slow paths (refill across 0xFF or the end, codes the fast table does not resolve).
    uint64_t bits = reader_.Bits();
    int bitCount = reader_.BitCount();
    auto store = [&] { reader_.SetBits(bits, bitCount); };
    auto load = [&] {
        bits = reader_.Bits();
        bitCount = reader_.BitCount();
    };
    for (int k = 1; k < 64;) {
        if (bitCount < 32) {
            reader_.FillLocal(bits, bitCount);
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
                zz[63] = ac.fastValue[peek];
                count = 64;
                break;
            }
            zz[kZigZagToNatural[k]] = ac.fastValue[peek];
            count = ++k;
            continue;
        }
        store();
        int symbol = reader_.DecodeHuffman(ac);
        if (symbol < 0) {
            if (!status_.Warn(HXJPEG_WARN_BAD_AC_CODE)) {
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
            zz[63] = int16_t(reader_.ReceiveExtend(size));
            return 64;
        }
        zz[kZigZagToNatural[k]] = int16_t(reader_.ReceiveExtend(size));
        count = ++k;
        load();
    }
    store();
    return count;
}

// The AC part of a sequential block when only the DC term is wanted: codes and magnitude bits
// are passed over by table look-ups. Returns 1, or -1 when decoding must stop.
int BlockDecoder::SkipACCoefficients(const HuffmanDecodeTable& ac) {
    uint64_t bits = reader_.Bits();
    int bitCount = reader_.BitCount();
    for (int k = 1; k < 64;) {
        if (bitCount < HuffmanDecodeTable::kSkipBits) {
            reader_.FillLocal(bits, bitCount);
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
        reader_.SetBits(bits, bitCount);
        int symbol = reader_.DecodeHuffman(ac);
        if (symbol < 0) {
            return status_.Warn(HXJPEG_WARN_BAD_AC_CODE) ? 1 : -1;
        }
        int run = symbol >> 4;
        int size = symbol & 15;
        if (size == 0) {
            if (run != 15) {
                return 1;  // end of block
            }
            k += 16;
        } else {
            reader_.GetBits(size);
            k += run + 1;
        }
        bits = reader_.Bits();
        bitCount = reader_.BitCount();
    }
    reader_.SetBits(bits, bitCount);
    return 1;
}

bool BlockDecoder::DecodeDCFirst(int16_t* zz, ScanComponent& sc) {
    if (dataExhausted_) {
        return true;
    }
    if (!DecodeDCDifference(sc)) {
        return false;
    }
    zz[0] = int16_t(int(sc.dcPredictor) * (1 << scan_->al));
    return true;
}

bool BlockDecoder::DecodeDCRefine(int16_t* zz) {
    if (dataExhausted_) {
        return true;
    }
    if (reader_.GetBits(1)) {
        zz[0] = int16_t(zz[0] | (1 << scan_->al));
    }
    return true;
}

bool BlockDecoder::DecodeACFirst(int16_t* zz) {
    if (dataExhausted_) {
        return true;
    }
    if (eobRun_ > 0) {
        --eobRun_;
        return true;
    }
    const HuffmanDecodeTable& ac = tables_.AC(scan_->components[0].acTable);
    for (int k = scan_->ss; k <= scan_->se; ++k) {
        int symbol = reader_.DecodeHuffman(ac);
        if (symbol < 0) {
            return status_.Warn(HXJPEG_WARN_BAD_AC_CODE);
        }
        int run = symbol >> 4;
        int size = symbol & 15;
        if (size != 0) {
            k += run;
            int value = reader_.ReceiveExtend(size);
            if (k > scan_->se) {
                break;
            }
            zz[kZigZagToNatural[k]] = int16_t(value * (1 << scan_->al));
        } else if (run == 15) {
            k += 15;
        } else {
            eobRun_ =
                (1u << run) + reader_.GetBits(run) - 1;  // end-of-band run, this block included
            break;
        }
    }
    return true;
}

// JPEG G.1.2.3: correction bits for coefficients already non-zero, new coefficients of
// +-(1 << Al), and end-of-band runs.
bool BlockDecoder::DecodeACRefine(int16_t* zz) {
    if (dataExhausted_) {
        return true;
    }
    const int p1 = 1 << scan_->al;
    const int m1 = -p1;
    const HuffmanDecodeTable& ac = tables_.AC(scan_->components[0].acTable);
    int k = scan_->ss;
    auto refine = [&](int16_t& coefficient) {
        if (reader_.GetBits(1) && (coefficient & p1) == 0) {
            coefficient = int16_t(coefficient >= 0 ? coefficient + p1 : coefficient + m1);
        }
    };
    if (eobRun_ == 0) {
        for (; k <= scan_->se; ++k) {
            int symbol = reader_.DecodeHuffman(ac);
            if (symbol < 0) {
                return status_.Warn(HXJPEG_WARN_BAD_AC_CODE);
            }
            int run = symbol >> 4;
            int size = symbol & 15;
            int value = 0;
            if (size != 0) {
                value = reader_.GetBits(1) ? p1 : m1;
            } else if (run != 15) {
                eobRun_ = (1u << run) + reader_.GetBits(run);
                break;
            }
            while (k <= scan_->se) {
                if (zz[kZigZagToNatural[k]] != 0) {
                    refine(zz[kZigZagToNatural[k]]);
                } else if (--run < 0) {
                    break;
                }
                ++k;
            }
            if (value != 0 && k <= scan_->se) {
                zz[kZigZagToNatural[k]] = int16_t(value);
            }
        }
    }
    if (eobRun_ > 0) {
        for (; k <= scan_->se; ++k) {
            if (zz[kZigZagToNatural[k]] != 0) {
                refine(zz[kZigZagToNatural[k]]);
            }
        }
        --eobRun_;
    }
    return true;
}

}  // namespace HXJPEG
