#include "tools/vantory/ProgressLine.h"

#include <unistd.h>

#include <cstdio>

ProgressLine::ProgressLine() : terminal_(::isatty(STDERR_FILENO) != 0) {}

void ProgressLine::Show(const std::string& task, double progress) {
    if (!terminal_) {
        return;
    }
    std::fprintf(stderr, "\r\033[K%s %3.0f%%", task.c_str(), progress * 100.0);
    std::fflush(stderr);
    shown_ = true;
}

void ProgressLine::Clear() {
    if (shown_) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        shown_ = false;
    }
}
