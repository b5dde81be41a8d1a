#include "kvfoundation/impl/AbstractLog.h"

#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/IKVString.h"
#include "kvfoundation/util/Format.h"

namespace kvfoundation::impl {

void AbstractLog::Log(std::int32_t level, data::IKVString* message) {
    if (Passes(level)) {
        Write(level, message);
    }
}

void AbstractLog::LogFormatV(std::int32_t level, const char* format, std::va_list args) {
    if (!Passes(level)) {
        return;
    }
    auto message = base::KVRefCountT<data::IKVString>::Adopt(util::CreateFormattedV(format, args));
    Write(level, message);
}

void AbstractLog::LogFormat(std::int32_t level, const char* format, ...) {
    if (!Passes(level)) {
        return;
    }
    std::va_list args;
    va_start(args, format);
    try {
        LogFormatV(level, format, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}

}  // namespace kvfoundation::impl
