#pragma once

#include <cstdint>

#include "HXJPEG/common/FrameInfo.h"
#include "HXJPEG/decoder/DecodeStatus.h"
#include "HXJPEG/decoder/EntropyBitReader.h"
#include "HXJPEG/decoder/HuffmanTableSet.h"
#include "HXJPEG/decoder/InputBuffer.h"
#include "HXJPEG/decoder/RestartTracker.h"

namespace HXJPEG {

// Decodes the blocks of one scan from its entropy-coded data: sequential blocks, the four
// kinds of progressive pass, and the restart intervals between them. After a block used bits
// beyond the real data (warning -301, if decoding goes on) the rest of the interval decodes as
// zero coefficients.
class BlockDecoder {
public:
    BlockDecoder(InputBuffer& input, const HuffmanTableSet& tables, DecodeStatus& status)
        : reader_(input), tables_(tables), status_(status) {}
    BlockDecoder(const BlockDecoder&) = delete;
    BlockDecoder& operator=(const BlockDecoder&) = delete;

    // The scan whose data follows; its predictors are reset at each restart.
    void StartScan(ScanHeader& scan, uint16_t restartInterval);

    // Call before each unit (MCU, or block of a one-component scan): consumes the restart
    // marker due there. When none follows, the scan ends if `endsScanIfMissing`, else decoding
    // goes on with reset predictors. False when decoding must stop.
    bool BeforeUnit(bool endsScanIfMissing) {
        return !restarts_.DueBeforeUnit() || ProcessRestart(endsScanIfMissing);
    }
    // After a unit: did it use bits beyond the real data? False when decoding must stop.
    bool CheckDataEnd() { return dataExhausted_ || !reader_.UsedInventedBits() || ReportDataEnd(); }

    // Sequential block into natural (row-major) order; the block must be zeroed. Returns the
    // coefficient count (last zig-zag index + 1), or -1 when decoding must stop. With dcOnly
    // the AC coefficients are passed over, not stored.
    int DecodeSequential(int16_t* zz, ScanComponent& sc, bool dcOnly) {
        if (dataExhausted_) {
            return 1;
        }
        if (!DecodeDCDifference(sc)) {
            return -1;
        }
        zz[0] = sc.dcPredictor;
        const HuffmanDecodeTable& ac = tables_.AC(sc.acTable);
        return dcOnly ? SkipACCoefficients(ac) : DecodeAC(zz, ac);
    }
    // One progressive pass over a block of the store. False when decoding must stop.
    bool DecodeProgressive(int16_t* zz, ScanComponent& sc) {
        if (scan_->ss == 0) {
            return scan_->ah == 0 ? DecodeDCFirst(zz, sc) : DecodeDCRefine(zz);
        }
        return scan_->ah == 0 ? DecodeACFirst(zz) : DecodeACRefine(zz);
    }

private:
    bool ProcessRestart(bool endsScanIfMissing);
    bool ReportDataEnd();
    // The DC difference of a block, added to the component's predictor. False (error -3) for
    // a code the table does not hold.
    bool DecodeDCDifference(ScanComponent& sc) {
        const int s = reader_.DecodeHuffman(tables_.DC(sc.dcTable));
        if (s < 0 || s > 16) {
            status_.Fail(HXJPEG_ERR_HUFFMAN);
            return false;
        }
        const int diff = s == 16 ? 0 : reader_.ReceiveExtend(s);
        sc.dcPredictor = int16_t(sc.dcPredictor + diff);
        return true;
    }
    // The AC part of a sequential block, stored; returns the coefficient count or -1.
    int DecodeAC(int16_t* zz, const HuffmanDecodeTable& ac);
    int SkipACCoefficients(const HuffmanDecodeTable& ac);
    bool DecodeDCFirst(int16_t* zz, ScanComponent& sc);
    bool DecodeDCRefine(int16_t* zz);
    bool DecodeACFirst(int16_t* zz);
    bool DecodeACRefine(int16_t* zz);

    EntropyBitReader reader_;
    const HuffmanTableSet& tables_;
    DecodeStatus& status_;
    ScanHeader* scan_ = nullptr;
    RestartTracker restarts_;
    uint32_t eobRun_ = 0;
    bool dataExhausted_ = false;  // after a -301 that the handler let pass: zero coefficients
};

}  // namespace HXJPEG
