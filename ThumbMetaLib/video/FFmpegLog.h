#pragma once

namespace ThumbMetaLib::video {

// Routes FFmpeg's messages into the process log instead of standard error. FFmpeg's levels
// map one step milder than their names: a damaged input file is a warning about that file,
// not an error of the service. Panic and fatal -> 1, error -> 2, warning -> 3, info and
// verbose -> 4; debug and trace are dropped before they are formatted.
void RouteFFmpegLog();

// The FFmpeg level's counterpart in the process log, or -1 when the message is dropped.
int LogLevelForFFmpeg(int level);

// Within its scope, the calling thread passes at most `lines` FFmpeg messages to the log (a
// broken stream can report every macroblock); one line says when the rest were dropped.
class FFmpegLogBudget {
public:
    explicit FFmpegLogBudget(int lines);
    ~FFmpegLogBudget();
    FFmpegLogBudget(const FFmpegLogBudget&) = delete;
    FFmpegLogBudget& operator=(const FFmpegLogBudget&) = delete;

private:
    int previous_;
};

}  // namespace ThumbMetaLib::video
