#include "io/OutputPlan.h"

#include <algorithm>

namespace xmp {

void OutputPlan::Copy(std::uint64_t offset, std::uint64_t length) {
    if (length == 0) {
        return;
    }
    if (!pieces_.empty() && pieces_.back().bytes.empty() &&
        pieces_.back().offset + pieces_.back().length == offset) {
        pieces_.back().length += length;
    } else {
        pieces_.push_back(Piece{offset, length, {}});
    }
    size_ += length;
}

void OutputPlan::Insert(std::string bytes) {
    if (bytes.empty()) {
        return;
    }
    size_ += bytes.size();
    std::uint64_t length = bytes.size();
    pieces_.push_back(Piece{0, length, std::move(bytes)});
}

void OutputPlan::Write(const ByteSource& original,
                       const std::function<void(const char*, std::size_t)>& sink) const {
    constexpr std::size_t kChunk = 1 << 20;
    std::string buffer;
    for (const Piece& piece : pieces_) {
        if (!piece.bytes.empty()) {
            sink(piece.bytes.data(), piece.bytes.size());
            continue;
        }
        buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, piece.length)));
        for (std::uint64_t done = 0; done < piece.length;) {
            std::size_t n =
                static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, piece.length - done));
            original.ReadAt(piece.offset + done, buffer.data(), n);
            sink(buffer.data(), n);
            done += n;
        }
    }
}

std::string OutputPlan::Render(const ByteSource& original) const {
    std::string out;
    Write(original, [&out](const char* data, std::size_t n) { out.append(data, n); });
    return out;
}

}  // namespace xmp
