#include "HXJPEG/wrapper/MetaDataHandler.h"

namespace HXJPEG {

void MetaDataHandler::BeginCallback(void* self, uint8_t appIndex, uint16_t length,
                                    uint8_t** buffer) {
    try {
        static_cast<MetaDataHandler*>(self)->Begin(appIndex, length, buffer);
    } catch (...) {
        *buffer = nullptr;  // refuse the segment
    }
}

void MetaDataHandler::EndCallback(void* self, uint8_t appIndex, uint16_t length, uint8_t* buffer,
                                  bool complete) {
    try {
        static_cast<MetaDataHandler*>(self)->End(appIndex, length, buffer, complete);
    } catch (...) {
    }
}

}  // namespace HXJPEG
