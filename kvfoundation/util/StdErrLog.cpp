#include "kvfoundation/util/StdErrLog.h"

#include <sys/stat.h>

#include <cstdio>
#include <ctime>

#include "kvfoundation/data/IKVString.h"
#include "kvfoundation/util/Utf8Codec.h"

namespace kvfoundation::util {

namespace {

// Holds the stream's lock for one whole line.
class StreamLock {
public:
    explicit StreamLock(std::FILE* stream) : stream_(stream) { flockfile(stream_); }
    ~StreamLock() { funlockfile(stream_); }
    StreamLock(const StreamLock&) = delete;
    StreamLock& operator=(const StreamLock&) = delete;

private:
    std::FILE* stream_;
};

// The message in UTF-8; one for the process, used only under the stream's lock.
char lineBuffer[4096];

// A regular file with nothing in it yet. Terminals, pipes and devices never get a mark.
bool IsNewFile(std::FILE* stream) {
    struct stat info;
    return fstat(fileno(stream), &info) == 0 && S_ISREG(info.st_mode) && info.st_size == 0;
}

}  // namespace

StdErrLog* StdErrLog::Create(std::int32_t level) {
    return new StdErrLog(level);
}

void StdErrLog::Write(std::int32_t /*level*/, data::IKVString* message) {
    std::FILE* stream = stderr;
    StreamLock lock(stream);

    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);

    std::int32_t length = 0;
    if (message != nullptr) {
        length = Utf8Encode(message->Characters(), message->Length(),
                            reinterpret_cast<std::uint8_t*>(lineBuffer), sizeof lineBuffer - 1)
                     .produced;
    }
    lineBuffer[length] = '\0';

    std::fflush(stream);  // so the size seen below includes anything already buffered
    if (IsNewFile(stream)) {
        std::fputs("\xEF\xBB\xBF", stream);
    }
    std::fprintf(stream, "%04d-%02d-%02d %02d:%02d:%02d : %s\n", local.tm_year + 1900,
                 local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                 lineBuffer);
    std::fflush(stream);
}

}  // namespace kvfoundation::util
