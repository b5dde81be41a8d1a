#pragma once

#include <string>

// Shows the service's progress reports on one line of the terminal, when standard error is
// one; otherwise shows nothing, so that scripted output stays clean.
class ProgressLine {
public:
    ProgressLine();
    void Show(const std::string& task, double progress);
    // Erases the line, if one was shown.
    void Clear();

private:
    bool terminal_;
    bool shown_ = false;
};
