#include "ThumbMetaLib/video/FFmpegLog.h"

#include <cstdarg>
#include <mutex>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib::video {
namespace {

// -1: no budget in force on this thread.
thread_local int t_linesLeft = -1;
// FFmpeg hands over a line in pieces; the pieces of this thread's current line.
thread_local std::string t_pending;
thread_local int t_printPrefix = 1;

void Forward(void* owner, int level, const char* format, va_list arguments) {
    const int ours = LogLevelForFFmpeg(level);
    if (ours < 0 || t_linesLeft == 0 || ours > kvfoundation::util::GetProcessLog()->Level()) {
        return;
    }
    char piece[1024];
    va_list copy;
    va_copy(copy, arguments);
    av_log_format_line2(owner, level, format, copy, piece, sizeof piece, &t_printPrefix);
    va_end(copy);
    t_pending += piece;
    if (t_pending.empty() || t_pending.back() != '\n') {
        return;
    }
    t_pending.pop_back();
    if (t_linesLeft > 0 && --t_linesLeft == 0) {
        kvfoundation::util::LogFormat(ours, "FFmpeg: %s (further messages of this file dropped)",
                                      t_pending.c_str());
    } else {
        kvfoundation::util::LogFormat(ours, "FFmpeg: %s", t_pending.c_str());
    }
    t_pending.clear();
}

}  // namespace

int LogLevelForFFmpeg(int level) {
    if (level <= AV_LOG_FATAL) {
        return level < AV_LOG_PANIC ? -1 : 1;  // AV_LOG_QUIET is never printed
    }
    if (level <= AV_LOG_ERROR) {
        return 2;
    }
    if (level <= AV_LOG_WARNING) {
        return 3;
    }
    if (level <= AV_LOG_VERBOSE) {
        return 4;
    }
    return -1;
}

void RouteFFmpegLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        av_log_set_level(AV_LOG_VERBOSE);
        av_log_set_callback(&Forward);
    });
}

FFmpegLogBudget::FFmpegLogBudget(int lines) : previous_(t_linesLeft) {
    t_linesLeft = lines;
}

FFmpegLogBudget::~FFmpegLogBudget() {
    t_linesLeft = previous_;
    t_pending.clear();
}

}  // namespace ThumbMetaLib::video
