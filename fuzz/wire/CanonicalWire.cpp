#include "CanonicalWire.h"

#include <algorithm>

#include "kvfoundation/io/WireFormat.h"

namespace vantory::fuzz {
namespace {

namespace wire = kvfoundation::io::wire;

class CanonicalReader {
public:
    explicit CanonicalReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

    // Appends the canonical form of the value at the read position to `out`.
    bool Value(std::vector<uint8_t>& out, int depth) {
        uint32_t type = 0;
        if (depth > kMaxDepth || !Word(type)) {
            return false;
        }
        const size_t start = at_ - 4;
        switch (type) {
            case wire::kNull:
                break;
            case wire::kInt32:
                if (!Skip(4)) {
                    return false;
                }
                break;
            case wire::kBool: {
                uint32_t flag = 0;
                if (!Word(flag) || flag > 1) {
                    return false;
                }
                break;
            }
            case wire::kDouble:
            case wire::kInt64: {
                if (!Has(8)) {
                    return false;
                }
                const uint64_t body = wire::GetU64(bytes_.data() + at_);
                const auto asInt = static_cast<int64_t>(body);
                at_ += 8;
                if (type == wire::kDouble ? body == 0 : asInt >= INT32_MIN && asInt <= INT32_MAX) {
                    return false;  // zero is an int32, and so is an int64 that fits
                }
                break;
            }
            case wire::kString:
            case wire::kData:
                if (!Body()) {
                    return false;
                }
                break;
            case wire::kList:
                return Sequence(out, depth);
            case wire::kMap:
                return Map(out, depth);
            default:
                return false;
        }
        out.insert(out.end(), bytes_.begin() + start, bytes_.begin() + at_);
        return true;
    }

    bool AtEnd() const { return at_ == bytes_.size(); }

private:
    static constexpr int kMaxDepth = 512;

    bool Has(size_t count) const { return bytes_.size() - at_ >= count; }
    bool Skip(size_t count) {
        if (!Has(count)) {
            return false;
        }
        at_ += count;
        return true;
    }
    bool Word(uint32_t& value) {
        if (!Has(4)) {
            return false;
        }
        value = wire::GetU32(bytes_.data() + at_);
        at_ += 4;
        return true;
    }
    // A length, the bytes and zero padding up to the next word.
    bool Body() {
        uint32_t length = 0;
        if (!Word(length) || length > INT32_MAX) {
            return false;
        }
        const auto padded = static_cast<size_t>(wire::PaddedLength(length));
        if (!Has(padded)) {
            return false;
        }
        const auto padding = bytes_.begin() + static_cast<ptrdiff_t>(at_ + length);
        const bool zeroPadded =
            std::all_of(padding, padding + static_cast<ptrdiff_t>(padded - length),
                        [](uint8_t byte) { return byte == 0; });
        at_ += padded;
        return zeroPadded;
    }
    bool Count(std::vector<uint8_t>& out, uint32_t& count) {
        const size_t start = at_ - 4;
        if (!Word(count) || count > INT32_MAX) {
            return false;
        }
        out.insert(out.end(), bytes_.begin() + start, bytes_.begin() + at_);
        return true;
    }
    bool Sequence(std::vector<uint8_t>& out, int depth) {
        uint32_t count = 0;
        if (!Count(out, count)) {
            return false;
        }
        for (uint32_t i = 0; i < count; ++i) {
            if (!Value(out, depth + 1)) {
                return false;
            }
        }
        return true;
    }
    bool Map(std::vector<uint8_t>& out, int depth) {
        uint32_t count = 0;
        if (!Count(out, count)) {
            return false;
        }
        std::vector<std::vector<uint8_t>> entries;
        for (uint32_t i = 0; i < count; ++i) {
            std::vector<uint8_t> entry;
            if (!Value(entry, depth + 1) || !Value(entry, depth + 1)) {
                return false;
            }
            entries.push_back(std::move(entry));
        }
        std::sort(entries.begin(), entries.end());
        for (const std::vector<uint8_t>& entry : entries) {
            out.insert(out.end(), entry.begin(), entry.end());
        }
        return true;
    }

    const std::vector<uint8_t>& bytes_;
    size_t at_ = 0;
};

}  // namespace

std::optional<std::vector<uint8_t>> CanonicalWireValue(const std::vector<uint8_t>& bytes) {
    CanonicalReader reader(bytes);
    std::vector<uint8_t> out;
    if (!reader.Value(out, 1) || !reader.AtEnd()) {
        return std::nullopt;
    }
    return out;
}

}  // namespace vantory::fuzz
