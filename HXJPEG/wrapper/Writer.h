#pragma once

#include <cstdint>

#include "HXJPEG.h"
#include "HXJPEG/wrapper/BaseRef.h"

namespace HXJPEG {

// An HXJPEGWriter whose callbacks forward to these operations (exceptions are swallowed at the
// callback boundary: the codec does not examine write results).
class Writer : public BaseRef<HXJPEGWriter> {
public:
    Writer() : BaseRef({this, &WriteCallback, &FinishCallback}) {}

    virtual void Write(const uint8_t* data, uint32_t count, uint32_t reserved) = 0;
    virtual void Finish() = 0;

private:
    static void WriteCallback(void* self, const uint8_t* data, uint32_t count, uint32_t reserved);
    static void FinishCallback(void* self);
};

}  // namespace HXJPEG
