#pragma once

#include <cstdint>

#include "HXJPEG.h"
#include "HXJPEG/wrapper/BaseRef.h"

namespace HXJPEG {

// An HXJPEGMetaDataHandler whose callbacks forward to Begin and End. Begin takes a segment by
// setting *buffer to at least `length` bytes, or refuses it by leaving it null.
class MetaDataHandler : public BaseRef<HXJPEGMetaDataHandler> {
public:
    MetaDataHandler() : BaseRef({this, &BeginCallback, &EndCallback}) {}

    virtual void Begin(uint8_t appIndex, uint16_t length, uint8_t** buffer) = 0;
    virtual void End(uint8_t appIndex, uint16_t length, uint8_t* buffer, bool complete) = 0;

private:
    static void BeginCallback(void* self, uint8_t appIndex, uint16_t length, uint8_t** buffer);
    static void EndCallback(void* self, uint8_t appIndex, uint16_t length, uint8_t* buffer,
                            bool complete);
};

}  // namespace HXJPEG
