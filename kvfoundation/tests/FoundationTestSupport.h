// Helpers shared by the object-model and value tests: text of a string as UTF-8, and a log
// that keeps what it is given.
#pragma once

#include <string>
#include <vector>

#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/IKVString.h"
#include "kvfoundation/impl/AbstractLog.h"
#include "kvfoundation/util/ProcessLog.h"

namespace kvtest {

inline std::string Text(const kvfoundation::data::IKVString* string) {
    if (string == nullptr) {
        return "(null)";
    }
    std::string out;
    for (int32_t i = 0; i < string->Length(); ++i) {
        char16_t unit = string->Characters()[i];
        out += unit < 128 ? static_cast<char>(unit) : '?';
    }
    return out;
}

// Replaces the process-wide log for one scope and records every line written to it.
class CaptureLog final : public kvfoundation::impl::AbstractLog {
public:
    static kvfoundation::base::KVRefCountT<CaptureLog> Install() {
        auto log = kvfoundation::base::KVRefCountT<CaptureLog>::Adopt(new CaptureLog());
        kvfoundation::util::SetProcessLog(log.get());
        return log;
    }
    static void Uninstall() { kvfoundation::util::SetProcessLog(nullptr); }

    void Write(int32_t level, kvfoundation::data::IKVString* message) override {
        lines.push_back({level, Text(message)});
    }

    struct Line {
        int32_t level;
        std::string text;
    };
    std::vector<Line> lines;

private:
    CaptureLog() : AbstractLog(4) {}
};

}  // namespace kvtest
