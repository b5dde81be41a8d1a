#include "HXJPEG/wrapper/Writer.h"

namespace HXJPEG {

void Writer::WriteCallback(void* self, const uint8_t* data, uint32_t count, uint32_t reserved) {
    try {
        static_cast<Writer*>(self)->Write(data, count, reserved);
    } catch (...) {
    }
}

void Writer::FinishCallback(void* self) {
    try {
        static_cast<Writer*>(self)->Finish();
    } catch (...) {
    }
}

}  // namespace HXJPEG
