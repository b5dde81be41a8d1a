#pragma once
// The new file as a list of pieces: ranges copied from the original and new bytes. Handlers
// describe an update this way, so image data is copied byte for byte and never held whole.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "io/ByteSource.h"

namespace xmp {

class OutputPlan {
public:
    void Copy(std::uint64_t offset, std::uint64_t length);
    void Insert(std::string bytes);
    std::uint64_t Size() const { return size_; }

    // Streams the pieces to `sink` in order.
    void Write(const ByteSource& original,
               const std::function<void(const char*, std::size_t)>& sink) const;
    // The whole new file in memory (tests and fuzzing only).
    std::string Render(const ByteSource& original) const;

private:
    struct Piece {
        std::uint64_t offset = 0;  // in the original, when bytes is empty
        std::uint64_t length = 0;
        std::string bytes;
    };
    std::vector<Piece> pieces_;
    std::uint64_t size_ = 0;
};

}  // namespace xmp
