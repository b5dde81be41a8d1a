#pragma once

#include <cstdint>

#include "HXJPEG.h"

namespace HXJPEG {

// The outcome of one decode: the first error, and what happens to a warning (reported to the
// caller's handler, which decides whether decoding goes on; without reporting, every warning
// ends the decode with its code).
class DecodeStatus {
public:
    DecodeStatus(bool reportWarnings, const HXJPEGWarningHandler* warningHandler)
        : reportWarnings_(reportWarnings) {
        if (warningHandler != nullptr) {
            warningHandler_ = *warningHandler;
        }
    }

    // Keeps the first error.
    void Fail(int32_t code) {
        if (error_ == 0) {
            error_ = code;
        }
    }
    // True when decoding goes on past the warning; else the warning became the error.
    bool Warn(int32_t code) {
        bool goOn = reportWarnings_ && (warningHandler_.onWarning == nullptr ||
                                        warningHandler_.onWarning(warningHandler_.userData, code));
        if (!goOn) {
            Fail(code);
        }
        return goOn;
    }

    int32_t Error() const { return error_; }
    bool Failed() const { return error_ != 0; }

private:
    bool reportWarnings_;
    HXJPEGWarningHandler warningHandler_ = {};
    int32_t error_ = 0;
};

}  // namespace HXJPEG
