#pragma once

#include <cstdint>
#include <exception>

namespace HXJPEG {

// A non-zero result of a flat codec function, thrown by the class wrapper.
class Exception : public std::exception {
public:
    explicit Exception(int32_t code) : code_(code) {}
    int32_t Code() const { return code_; }
    const char* what() const noexcept override;

    // Throws for any non-zero result.
    static void Check(int32_t result) {
        if (result != 0) {
            throw Exception(result);
        }
    }

private:
    int32_t code_;
};

}  // namespace HXJPEG
