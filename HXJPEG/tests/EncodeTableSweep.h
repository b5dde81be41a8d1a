// Runs a check for every encoder vector level this processor has and every built-in
// quantisation table, shared by the forward DCT tests.
#pragma once

#include <cstdint>

#include "HXJPEG.h"
#include "HXJPEG/encoder/EncoderQuantTable.h"
#include "HXJPEG/encoder/EncoderSIMD.h"
#include "HXJPEG/encoder/QualityTables.h"

namespace hxjpeg_test {

// `check(level, quality, isLuminance, table)`; the default level is restored afterwards.
template <typename Check>
void ForEachLevelAndQualityTable(Check check) {
    using HXJPEG::EncoderSIMDLevel;
    for (const EncoderSIMDLevel level : {EncoderSIMDLevel::kPortable, EncoderSIMDLevel::kSSE2,
                                         EncoderSIMDLevel::kSSSE3, EncoderSIMDLevel::kAVX2}) {
        HXJPEG::SetEncoderSIMDLevel(level);
        if (HXJPEG::ActiveEncoderSIMDLevel() != level) {
            continue;  // not on this processor
        }
        for (uint32_t quality = 0; quality <= HXJPEG::kMaxQuality; ++quality) {
            for (const bool luminance : {true, false}) {
                HXJPEG::EncoderQuantTable table;
                table.Set(luminance ? HXJPEG::kLuminanceTables[quality]
                                    : HXJPEG::kChrominanceTables[quality]);
                check(level, quality, luminance, table);
            }
        }
    }
    HXJPEGLibInit();
}

}  // namespace hxjpeg_test
