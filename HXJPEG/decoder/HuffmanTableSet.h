#pragma once

#include <memory>

#include "HXJPEG/decoder/HuffmanDecodeTable.h"

namespace HXJPEG {

// The four DC and four AC decoding tables of one decode, each allocated when it is first
// filled (by the file, or by the standard tables a scan falls back to). A table with its
// one-step look-ups is about 22 KB and most files define four of the eight: held inline they
// made every decoder object about 180 KB, which costs a fresh mapping of pages per decode.
class HuffmanTableSet {
public:
    // The table of class `ac` in slot `number` (0..3), allocated if it was not, for the caller
    // to build.
    HuffmanDecodeTable& Fill(bool ac, int number) {
        std::unique_ptr<HuffmanDecodeTable>& table = tables_[ac][number];
        if (!table) {
            table = std::make_unique<HuffmanDecodeTable>();
        }
        return *table;
    }
    bool IsDefined(bool ac, int number) const {
        return tables_[ac][number] && tables_[ac][number]->defined;
    }
    // The tables of a scan, which are defined once its header has been read.
    const HuffmanDecodeTable& DC(int number) const { return *tables_[0][number]; }
    const HuffmanDecodeTable& AC(int number) const { return *tables_[1][number]; }
    // Readies a scan's AC table for decoding that passes over its coefficients.
    void PrepareSkipping(int number) { tables_[1][number]->PrepareSkipping(); }

private:
    std::unique_ptr<HuffmanDecodeTable> tables_[2][4];
};

}  // namespace HXJPEG
