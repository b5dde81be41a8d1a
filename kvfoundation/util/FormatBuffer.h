#pragma once

#include <cstdint>
#include <memory>

namespace kvfoundation::util {

// The code units of one formatting call: on the stack for ordinary messages, on the heap
// beyond that. Lengths stay within what a string can hold (signed 32-bit); going past it
// raises KVOutOfMemory.
class FormatBuffer {
public:
    FormatBuffer() = default;
    FormatBuffer(const FormatBuffer&) = delete;
    FormatBuffer& operator=(const FormatBuffer&) = delete;

    void Append(const char16_t* units, std::int64_t count);
    // Each byte becomes one code unit.
    void AppendBytes(const char* bytes, std::int64_t count);
    void Append(char16_t unit) { Append(&unit, 1); }

    const char16_t* Data() const { return data_; }
    std::int32_t Length() const { return length_; }

private:
    char16_t* Reserve(std::int64_t extra);

    static constexpr std::int32_t kInlineCapacity = 256;

    char16_t inline_[kInlineCapacity];
    std::unique_ptr<char16_t[]> heap_;
    char16_t* data_ = inline_;
    std::int32_t length_ = 0;
    std::int32_t capacity_ = kInlineCapacity;
};

}  // namespace kvfoundation::util
