#include "kvfoundation/posix/PosixSysLog.h"

#include <syslog.h>

#include <algorithm>
#include <cstdint>
#include <mutex>

#include "kvfoundation/data/IKVString.h"
#include "kvfoundation/util/Utf8Codec.h"

namespace kvfoundation::posix {

namespace {

constexpr int kTextBufferSize = PosixSysLog::kMaxMessageUnits * 3 + 1;

void OpenSysLogOnce() {
    static std::once_flag opened;
    std::call_once(opened, [] { openlog("VantoryQX3", LOG_PID, LOG_USER); });
}

// At most kMaxMessageUnits code units of `text` as zero-terminated UTF-8.
void ToUtf8(const data::IKVString* text, char (&buffer)[kTextBufferSize]) {
    std::int32_t length = 0;
    if (text != nullptr) {
        const std::int32_t units = std::min(text->Length(), PosixSysLog::kMaxMessageUnits);
        length = util::Utf8Encode(text->Characters(), units,
                                  reinterpret_cast<std::uint8_t*>(buffer), kTextBufferSize - 1)
                     .produced;
    }
    buffer[length] = '\0';
}

}  // namespace

PosixSysLog* PosixSysLog::Create(data::IKVString* component, std::int32_t level) {
    return new PosixSysLog(component, level);
}

PosixSysLog::PosixSysLog(data::IKVString* component, std::int32_t level)
    : AbstractLog(level), component_(component) {
    OpenSysLogOnce();
}

int PosixSysLog::Priority(std::int32_t level) {
    switch (level) {
        case -1:
        case 3:
        case 4:
            return LOG_INFO;
        case 2:
            return LOG_WARNING;
        default:
            return LOG_ERR;
    }
}

void PosixSysLog::Write(std::int32_t level, data::IKVString* message) {
    char component[kTextBufferSize];
    char text[kTextBufferSize];
    ToUtf8(component_.get(), component);
    ToUtf8(message, text);
    if (component[0] != '\0') {
        syslog(Priority(level), "%s: %s", component, text);
    } else {
        syslog(Priority(level), "%s", text);
    }
}

}  // namespace kvfoundation::posix
