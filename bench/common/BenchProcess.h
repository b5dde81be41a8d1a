// What the benchmarks that time whole tools share: best-of timing, running a command quietly,
// and the peak memory of a fresh process.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace vantory_bench {

// The best wall time of `repeats` runs, in seconds (the machine is shared).
inline double BestSeconds(int repeats, const std::function<void()>& body) {
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        body();
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

inline bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs `args` as a fresh process and returns its peak resident size in MB (-1 on failure).
inline double PeakMegabytes(std::vector<std::string> args) {
    const pid_t child = fork();
    if (child == 0) {
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage = {};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return -1;
    }
    return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

}  // namespace vantory_bench
