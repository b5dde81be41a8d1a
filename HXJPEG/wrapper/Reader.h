#pragma once

#include <cstdint>

#include "HXJPEG.h"
#include "HXJPEG/wrapper/BaseRef.h"

namespace HXJPEG {

// An HXJPEGReader whose callbacks forward to these operations. Exceptions from them do not
// reach the codec: they count as "no more data".
class Reader : public BaseRef<HXJPEGReader> {
public:
    Reader() : BaseRef({this, &SkipCallback, &ReadCallback, &ReleaseCallback}) {}

    virtual bool Skip(uint32_t count) = 0;
    virtual bool Read(uint8_t* buffer, uint32_t count, uint32_t* bytesRead) = 0;
    virtual void Release() = 0;

private:
    static bool SkipCallback(void* self, uint32_t count);
    static bool ReadCallback(void* self, uint8_t* buffer, uint32_t count, uint32_t* bytesRead);
    static void ReleaseCallback(void* self);
};

}  // namespace HXJPEG
