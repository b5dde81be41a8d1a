#include "HXJPEG/wrapper/Reader.h"

namespace HXJPEG {

bool Reader::SkipCallback(void* self, uint32_t count) {
    try {
        return static_cast<Reader*>(self)->Skip(count);
    } catch (...) {
        return false;
    }
}

bool Reader::ReadCallback(void* self, uint8_t* buffer, uint32_t count, uint32_t* bytesRead) {
    try {
        return static_cast<Reader*>(self)->Read(buffer, count, bytesRead);
    } catch (...) {
        *bytesRead = 0;
        return false;
    }
}

void Reader::ReleaseCallback(void* self) {
    try {
        static_cast<Reader*>(self)->Release();
    } catch (...) {
    }
}

}  // namespace HXJPEG
